#!/usr/bin/python3
"""Reads a table with python3-dbfread and prints it.

usage: dbfread_dump.py TABLE [--encoding ENCODING]
  --encoding overrides the encoding the library takes from the table's code page mark
Prints ["table", version, encoding], ["fields", NAME...], then the live records and after them
the deleted ones, each ["record", "live" or "deleted", value...] in the text form of
dbf_rows.py. Text that does not decode is an error, never replaced.
"""

import argparse

import dbfread

from dbf_rows import emit, text_form


def main():
    parser = argparse.ArgumentParser(usage=__doc__)
    parser.add_argument("table")
    parser.add_argument("--encoding")
    args = parser.parse_args()
    table = dbfread.DBF(args.table, encoding=args.encoding, char_decode_errors="strict")
    fields = table.fields
    emit("table", table.dbversion, table.encoding)
    emit("fields", *[f.name for f in fields])
    for state, records in (("live", table.records), ("deleted", table.deleted)):
        for record in records:
            emit("record", state, *[text_form(record[f.name], f.type) for f in fields])


main()
