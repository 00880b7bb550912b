#!/usr/bin/python3
"""Edits and appends records of an existing table with python3-dbf.

usage: dbf_update.py TABLE ROWS.json
  ROWS.json a JSON list; an entry with "record": n (1-based, physical) overwrites the values it
            names in that record, one without appends a record; "deleted" marks it deleted.
            Values are in the text form of dbf_rows.py; null blanks a field.
The table keeps the code page its header names. Prints ["table", version, codepage].
"""

import sys

import dbf

from dbf_rows import emit, fail, library_value, load_rows


def main():
    if len(sys.argv) != 3:
        fail(__doc__)
    path, rows_path = sys.argv[1:3]
    table = dbf.Table(path)
    table.open(dbf.READ_WRITE)
    info = {name.upper(): table.field_info(name) for name in table.field_names}
    for row in load_rows(rows_path):
        values = {}
        for name, text in row["values"].items():
            kind, length, decimals, _ = info[name.upper()]
            value = library_value(text, chr(kind), decimals)
            if value is None:  # blanking a field means writing blanks of its type
                value = " " * length if chr(kind) == "C" else None
            values[name.lower()] = value
        if "record" in row:
            record = table[row["record"] - 1]
            dbf.write(record, **values)
        else:
            table.append({k: v for k, v in values.items() if v is not None})
            record = table[-1]
        if row.get("deleted"):
            dbf.delete(record)
    version, page = table.version, table.codepage.name
    table.close()
    emit("table", version, page)


main()
