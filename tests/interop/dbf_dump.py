#!/usr/bin/python3
"""Reads a table with python3-dbf and prints it.

usage: dbf_dump.py TABLE [--codepage CODEPAGE] [--skip FIELD]...
  --codepage overrides the code page the table's header names
  --skip     prints null for that field instead of reading it
Prints ["table", version, codepage], ["fields", NAME...], then one line per record in physical
order: ["record", "live" or "deleted", value...], values in the text form of dbf_rows.py.
"""

import argparse

import dbf

from dbf_rows import emit, text_form


def main():
    parser = argparse.ArgumentParser(usage=__doc__)
    parser.add_argument("table")
    parser.add_argument("--codepage")
    parser.add_argument("--skip", action="append", default=[])
    args = parser.parse_args()
    skipped = {name.upper() for name in args.skip}
    table = dbf.Table(args.table, codepage=args.codepage)
    table.open(dbf.READ_ONLY)
    names = list(table.field_names)
    types = [chr(table.field_info(name)[0]) for name in names]
    emit("table", table.version, table.codepage.name)
    emit("fields", *[name.upper() for name in names])
    for record in table:
        state = "deleted" if dbf.is_deleted(record) else "live"
        values = [None if n.upper() in skipped else text_form(record[n], t)
                  for n, t in zip(names, types)]
        emit("record", state, *values)
    table.close()


main()
