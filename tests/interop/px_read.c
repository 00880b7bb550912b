/* Reads a Paradox table with pxlib and prints what pxlib sees, for the interop tests: another
 * reader must accept the tables the engine writes.
 *
 *   px_read TABLE.DB [TABLE.MB]
 *
 * The first line lists the fields as NAME:TYPE:SIZE (the type letters of px_write.c; SIZE is
 * the record bytes, for # the decimal places). The second line is "records=N keys=K
 * codepage=C". Every further line is one record in table order, in px_write.c's notation: \N
 * for null, text as raw bytes with a line break as \n, dates yyyy-mm-dd, times hh:mm:ss,
 * timestamps "yyyy-mm-dd hh:mm:ss", logicals T or F, bytes and binary blobs as hex, numbers as
 * decimal text (BCD as pxlib formats it). */
#include <paradox.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int fail(const char* msg) {
  fprintf(stderr, "px_read: %s\n", msg);
  return 1;
}

static void errorhandler(pxdoc_t* p, int type, const char* msg, void* data) {
  (void)p;
  (void)data;
  fprintf(stderr, "pxlib error %d: %s\n", type, msg);
}

static char typeLetter(int type) {
  switch (type) {
    case pxfAlpha:
      return 'A';
    case pxfDate:
      return 'D';
    case pxfShort:
      return 'S';
    case pxfLong:
      return 'I';
    case pxfCurrency:
      return '$';
    case pxfNumber:
      return 'N';
    case pxfLogical:
      return 'L';
    case pxfMemoBLOb:
      return 'M';
    case pxfBLOb:
      return 'B';
    case pxfFmtMemoBLOb:
      return 'F';
    case pxfOLE:
      return 'O';
    case pxfGraphic:
      return 'G';
    case pxfTime:
      return 'T';
    case pxfTimestamp:
      return '@';
    case pxfAutoInc:
      return '+';
    case pxfBCD:
      return '#';
    case pxfBytes:
      return 'Y';
  }
  return '?';
}

static void printHex(const char* p, int len) {
  for (int i = 0; i < len; ++i) printf("%02x", (unsigned char)p[i]);
}

static void printText(const char* p, int len) {
  for (int i = 0; i < len; ++i) {
    if (p[i] == '\n')
      fputs("\\n", stdout);
    else if (p[i] != '\r')
      putchar(p[i]);
  }
}

static void printDate(long days) {
  int y, m, d;
  PX_SdnToGregorian(days + 1721425, &y, &m, &d);
  printf("%04d-%02d-%02d", y, m, d);
}

static void printClock(long ms) {
  long s = ms / 1000;
  printf("%02ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
}

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) return fail("usage: px_read TABLE.DB [TABLE.MB]");
  pxdoc_t* doc = PX_new2(errorhandler, NULL, NULL, NULL);
  if (!doc) return fail("PX_new2");
  if (PX_open_file(doc, argv[1]) < 0) return fail("open");
  if (argc == 3 && PX_set_blob_file(doc, argv[2]) < 0) return fail("blob file");

  const int n = PX_get_num_fields(doc);
  pxfield_t* fields = PX_get_fields(doc);
  for (int i = 0; i < n; ++i)
    printf("%s%s:%c:%d", i ? " " : "", fields[i].px_fname, typeLetter(fields[i].px_ftype),
           fields[i].px_ftype == pxfBCD ? fields[i].px_fdc : fields[i].px_flen);
  float keys = 0, codepage = 0;
  PX_get_value(doc, "numprimkeys", &keys);
  PX_get_value(doc, "codepage", &codepage);
  const int records = PX_get_num_records(doc);
  printf("\nrecords=%d keys=%d codepage=%d\n", records, (int)keys, (int)codepage);

  for (int r = 0; r < records; ++r) {
    pxval_t** values = PX_retrieve_record(doc, r);
    if (!values) return fail("record");
    for (int i = 0; i < n; ++i) {
      pxval_t* v = values[i];
      if (i) putchar('\t');
      if (v->isnull) {
        fputs("\\N", stdout);
        continue;
      }
      switch (fields[i].px_ftype) {
        case pxfAlpha:
        case pxfMemoBLOb:
        case pxfFmtMemoBLOb:
          printText(v->value.str.val, v->value.str.len);
          break;
        case pxfBCD:
          fputs(v->value.str.val, stdout);
          break;
        case pxfBytes:
        case pxfBLOb:
        case pxfOLE:
        case pxfGraphic:
          printHex(v->value.str.val, v->value.str.len);
          break;
        case pxfDate:
          printDate(v->value.lval);
          break;
        case pxfShort:
        case pxfLong:
        case pxfAutoInc:
          printf("%ld", v->value.lval);
          break;
        case pxfCurrency:
        case pxfNumber:
          printf("%.15g", v->value.dval);
          break;
        case pxfLogical:
          putchar(v->value.lval ? 'T' : 'F');
          break;
        case pxfTime:
          printClock(v->value.lval);
          break;
        case pxfTimestamp: {
          const double ms = v->value.dval;
          const long days = (long)(ms / 86400000.0);
          printDate(days);
          putchar(' ');
          printClock((long)(ms - (double)days * 86400000.0));
          break;
        }
      }
    }
    putchar('\n');
    for (int i = 0; i < n; ++i) {
      if (values[i]->type == pxfAlpha || values[i]->type == pxfBCD || values[i]->type == pxfBytes ||
          values[i]->type == pxfMemoBLOb || values[i]->type == pxfBLOb ||
          values[i]->type == pxfFmtMemoBLOb || values[i]->type == pxfOLE ||
          values[i]->type == pxfGraphic)
        if (!values[i]->isnull && values[i]->value.str.val)
          doc->free(doc, values[i]->value.str.val);
      doc->free(doc, values[i]);
    }
    doc->free(doc, values);
  }
  PX_close(doc);
  PX_delete(doc);
  return 0;
}
