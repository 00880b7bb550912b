/* Writes a Paradox table with pxlib, for the interop tests: the engine must read what an
 * independent writer made.
 *
 *   px_write TABLE.DB TABLE.MB CODEPAGE < SPEC
 *
 * SPEC's first line lists the fields, blank-separated, as NAME:TYPE:SIZE (TYPE one of
 * A D S I $ N L M B F T @ + # Y; SIZE is the length for A and Y, the leader plus 10 for blobs,
 * the decimal places for #, ignored otherwise). Every further line is one record, its values
 * separated by tabs: \N for null, text as raw bytes (GBK), dates yyyy-mm-dd, times hh:mm:ss,
 * timestamps "yyyy-mm-dd hh:mm:ss", logicals T or F, bytes and binary blobs as hex, numbers as
 * decimal text. Memo text may use \n for a line break.
 *
 * Text is handed to pxlib as the bytes it is, with no input encoding set: pxlib then stores it
 * unchanged and CODEPAGE only marks the header. */
#include <paradox.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define MAXFIELDS 64
#define MAXLINE 200000

static int fail(const char* msg) {
  fprintf(stderr, "px_write: %s\n", msg);
  return 1;
}

static void errorhandler(pxdoc_t* p, int type, const char* msg, void* data) {
  (void)p;
  (void)data;
  fprintf(stderr, "pxlib error %d: %s\n", type, msg);
}

static int typeCode(char c) {
  switch (c) {
    case 'A':
      return pxfAlpha;
    case 'D':
      return pxfDate;
    case 'S':
      return pxfShort;
    case 'I':
      return pxfLong;
    case '$':
      return pxfCurrency;
    case 'N':
      return pxfNumber;
    case 'L':
      return pxfLogical;
    case 'M':
      return pxfMemoBLOb;
    case 'B':
      return pxfBLOb;
    case 'F':
      return pxfFmtMemoBLOb;
    case 'T':
      return pxfTime;
    case '@':
      return pxfTimestamp;
    case '+':
      return pxfAutoInc;
    case '#':
      return pxfBCD;
    case 'Y':
      return pxfBytes;
  }
  return -1;
}

static int fixedLength(int type, int size) {
  switch (type) {
    case pxfDate:
    case pxfLong:
    case pxfTime:
    case pxfAutoInc:
      return 4;
    case pxfShort:
      return 2;
    case pxfCurrency:
    case pxfNumber:
    case pxfTimestamp:
      return 8;
    case pxfLogical:
      return 1;
    case pxfBCD:
      return 17;
  }
  return size;
}

/* Expands \n into `out`; returns the length. */
static size_t expand(const char* in, char* out, size_t cap) {
  size_t n = 0;
  for (const char* p = in; *p && n < cap; ++p) {
    if (p[0] == '\\' && p[1] == 'n') {
      out[n++] = '\n';
      ++p;
    } else {
      out[n++] = *p;
    }
  }
  return n;
}

static size_t unhex(const char* in, char* out) {
  size_t n = 0;
  unsigned v;
  while (in[0] && in[1] && sscanf(in, "%2x", &v) == 1) {
    out[n++] = (char)v;
    in += 2;
  }
  return n;
}

int main(int argc, char** argv) {
  if (argc != 4) return fail("usage: px_write TABLE.DB TABLE.MB CODEPAGE < SPEC");
  static char line[MAXLINE], buf[MAXLINE];
  if (!fgets(line, sizeof line, stdin)) return fail("no field line");
  line[strcspn(line, "\r\n")] = 0;

  pxdoc_t* doc = PX_new2(errorhandler, NULL, NULL, NULL);
  if (!doc) return fail("PX_new2");
  pxfield_t* fields = (pxfield_t*)doc->malloc(doc, MAXFIELDS * sizeof(pxfield_t), "fields");
  int n = 0, hasBlobs = 0;
  for (char* tok = strtok(line, " "); tok && n < MAXFIELDS; tok = strtok(NULL, " ")) {
    char name[256], t;
    int size;
    if (sscanf(tok, "%255[^:]:%c:%d", name, &t, &size) != 3) return fail("bad field spec");
    int type = typeCode(t);
    if (type < 0) return fail("bad field type");
    fields[n].px_fname = PX_strdup(doc, name);
    fields[n].px_ftype = (char)type;
    fields[n].px_flen = fixedLength(type, size);
    fields[n].px_fdc = type == pxfBCD ? size : 0;
    if (type == pxfMemoBLOb || type == pxfBLOb || type == pxfFmtMemoBLOb) hasBlobs = 1;
    ++n;
  }
  if (PX_create_file(doc, fields, n, argv[1], pxfFileTypNonIndexDB) < 0) return fail("create");
  if (PX_set_value(doc, "codepage", (float)atoi(argv[3])) < 0) return fail("codepage");
  if (PX_set_parameter(doc, "tablename", "pxinterop") < 0) return fail("tablename");
  if (hasBlobs && PX_set_blob_file(doc, argv[2]) < 0) return fail("blob file");

  int recordSize = PX_get_recordsize(doc);
  char* record = malloc((size_t)recordSize);
  while (fgets(line, sizeof line, stdin)) {
    line[strcspn(line, "\r\n")] = 0;
    memset(record, 0, (size_t)recordSize);
    char *save = NULL, *cell = strtok_r(line, "\t", &save);
    int offset = 0;
    for (int i = 0; i < n; ++i, cell = strtok_r(NULL, "\t", &save)) {
      char* data = record + offset;
      int len = fields[i].px_flen;
      offset += len;
      if (!cell) return fail("short record");
      if (strcmp(cell, "\\N") == 0) continue; /* zeros: null */
      int y, m, d, hh, mi, ss;
      switch (fields[i].px_ftype) {
        case pxfAlpha:
          PX_put_data_alpha(doc, data, len, cell);
          break;
        case pxfDate:
          sscanf(cell, "%d-%d-%d", &y, &m, &d);
          PX_put_data_long(doc, data, 4, (int)(PX_GregorianToSdn(y, m, d) - 1721425));
          break;
        case pxfShort:
          PX_put_data_short(doc, data, 2, (short)atoi(cell));
          break;
        case pxfLong:
        case pxfAutoInc:
          PX_put_data_long(doc, data, 4, atoi(cell));
          break;
        case pxfCurrency:
        case pxfNumber:
          PX_put_data_double(doc, data, 8, strtod(cell, NULL));
          break;
        case pxfLogical:
          PX_put_data_byte(doc, data, 1, cell[0] == 'T' ? 1 : 0);
          break;
        case pxfTime:
          sscanf(cell, "%d:%d:%d", &hh, &mi, &ss);
          PX_put_data_long(doc, data, 4, ((hh * 60 + mi) * 60 + ss) * 1000);
          break;
        case pxfTimestamp:
          sscanf(cell, "%d-%d-%d %d:%d:%d", &y, &m, &d, &hh, &mi, &ss);
          PX_put_data_double(doc, data, 8,
                             ((double)(PX_GregorianToSdn(y, m, d) - 1721425) * 86400.0 +
                              (hh * 60 + mi) * 60 + ss) *
                                 1000.0);
          break;
        case pxfBCD:
          PX_put_data_bcd(doc, data, fields[i].px_fdc, cell);
          break;
        case pxfBytes:
          memset(buf, 0, (size_t)len);
          unhex(cell, buf);
          PX_put_data_bytes(doc, data, len, buf);
          break;
        case pxfBLOb:
          PX_put_data_blob(doc, data, len, buf, (int)unhex(cell, buf));
          break;
        default: /* text memos */
          PX_put_data_blob(doc, data, len, buf, (int)expand(cell, buf, sizeof buf));
          break;
      }
    }
    if (PX_put_record(doc, record) < 0) return fail("put record");
  }
  free(record);
  PX_close(doc);
  PX_delete(doc);
  return 0;
}
