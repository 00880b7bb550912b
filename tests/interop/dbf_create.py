#!/usr/bin/python3
"""Creates a table with python3-dbf and fills it.

usage: dbf_create.py db3|fp TABLE SPECS ROWS.json [CODEPAGE]
  SPECS     python3-dbf field specs, e.g. "NAME C(20); QTY N(5,0); NOTE M"
  ROWS.json rows in the text form of dbf_rows.py, each {"deleted": bool, "values": {FIELD: text}}
  CODEPAGE  the code page to write, cp936 when left out
Prints ["table", version, codepage] once the table is closed.
"""

import sys

import dbf

from dbf_rows import emit, fail, library_value, load_rows


def main():
    if len(sys.argv) not in (5, 6):
        fail(__doc__)
    flavor, path, specs, rows_path = sys.argv[1:5]
    codepage = sys.argv[5] if len(sys.argv) == 6 else "cp936"
    table = dbf.Table(path, specs, dbf_type=flavor, codepage=codepage)
    table.open(dbf.READ_WRITE)
    info = {name.upper(): table.field_info(name) for name in table.field_names}
    for row in load_rows(rows_path):
        values = {}
        for name, text in row["values"].items():
            kind, _, decimals, _ = info[name.upper()]
            value = library_value(text, chr(kind), decimals)
            if value is not None:
                values[name.lower()] = value
        table.append(values)
        if row.get("deleted"):
            dbf.delete(table[-1])
    version, page = table.version, table.codepage.name
    table.close()
    emit("table", version, page)


main()
