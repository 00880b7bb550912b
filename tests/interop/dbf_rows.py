"""Shared by the interop scripts: one text form for field values, and the lines they print.

Every script prints lines that are flat JSON arrays of strings and nulls, so the C++ side needs
only a small parser. A value's text form is the same whichever library produced it:
  null or blank          -> null (xBase has no empty string distinct from a blank field)
  character field        -> the text without trailing blanks
  memo                   -> the text exactly as stored
  number                 -> shortest decimal text, integral values without ".0"
  date                   -> "YYYY-MM-DD"
  logical                -> "T" or "F"
  binary memo            -> "hex:" and the bytes in lower-case hex
"""

import datetime
import decimal
import json
import sys


def text_form(value, field_type):
    if value is None:
        return None
    if isinstance(value, (bytes, bytearray)):
        return "hex:" + bytes(value).hex() if value else None
    if isinstance(value, bool):
        return "T" if value else "F"
    if isinstance(value, int):
        return str(value)
    if isinstance(value, (float, decimal.Decimal)):
        f = float(value)
        return str(int(f)) if f.is_integer() else repr(f)
    if isinstance(value, datetime.datetime):
        return value.isoformat(sep=" ")
    if isinstance(value, datetime.date):
        return value.isoformat()
    if isinstance(value, str):
        if field_type == "C":
            value = value.rstrip(" ")
        return value or None
    # Library-specific wrappers (tri-state logicals, nullable dates) end up here.
    if not value:
        return None
    raise TypeError("no text form for %r in a %s field" % (value, field_type))


def library_value(text, field_type, decimals):
    """The Python value a writing library is given for a text form (None stays blank)."""
    if text is None:
        return None
    if field_type in ("C", "M"):
        return text
    if field_type == "N" and decimals == 0:
        return int(text)
    if field_type in ("N", "F"):
        return float(text)
    if field_type == "D":
        return datetime.date.fromisoformat(text)
    if field_type == "L":
        return text == "T"
    if field_type in ("G", "P", "B") and text.startswith("hex:"):
        return bytes.fromhex(text[len("hex:"):])
    if field_type in ("B", "Y"):  # Visual FoxPro double and currency
        return float(text) if field_type == "B" else decimal.Decimal(text)
    if field_type == "I":
        return int(text)
    if field_type == "T":
        return datetime.datetime.fromisoformat(text)
    raise ValueError("cannot write a %s field" % field_type)


def emit(*items):
    print(json.dumps(list(items), ensure_ascii=False))


def load_rows(path):
    """Rows to write: a JSON list of {"record": n (optional), "deleted": bool, "values": {...}}."""
    with open(path, encoding="utf-8") as f:
        return json.load(f)


def fail(message):
    print(message, file=sys.stderr)
    sys.exit(2)
