/* Reads a keyed Paradox table's primary index with pxlib and prints what pxlib sees, for the
 * interop tests: another reader must accept the .PX files the engine writes.
 *
 *   px_index_read TABLE.DB TABLE.PX
 *
 * The first line is "levels=L root=R" from the index header. Every entry of the lowest level
 * follows as "BLOCK RECORDS KEY": the data block it names, its record count and the first key
 * field as pxlib decodes it (text as raw bytes, long and short integers and dates (day numbers)
 * in decimal, numbers with %.15g, \N for null). Then "records=N" and, for every record that
 * pxlib reads from the table with the index attached, its first field in the same notation. */
#include <paradox.h>
#include <stdio.h>
#include <stdlib.h>

static int fail(const char* msg) {
  fprintf(stderr, "px_index_read: %s\n", msg);
  return 1;
}

static void errorhandler(pxdoc_t* p, int type, const char* msg, void* data) {
  (void)p;
  (void)data;
  fprintf(stderr, "pxlib error %d: %s\n", type, msg);
}

/* Prints the field of type `type` and `len` bytes at `data`. */
static void printField(pxdoc_t* doc, int type, int len, char* data) {
  switch (type) {
    case pxfAlpha: {
      char* text = NULL;
      if (PX_get_data_alpha(doc, data, len, &text) <= 0 || !text) {
        fputs("\\N", stdout);
        return;
      }
      fputs(text, stdout);
      doc->free(doc, text);
      return;
    }
    case pxfLong:
    case pxfDate:
    case pxfAutoInc: {
      long v = 0;
      if (PX_get_data_long(doc, data, len, &v) <= 0)
        fputs("\\N", stdout);
      else
        printf("%ld", v);
      return;
    }
    case pxfShort: {
      short int v = 0;
      if (PX_get_data_short(doc, data, len, &v) <= 0)
        fputs("\\N", stdout);
      else
        printf("%d", v);
      return;
    }
    case pxfNumber:
    case pxfCurrency: {
      double v = 0;
      if (PX_get_data_double(doc, data, len, &v) <= 0)
        fputs("\\N", stdout);
      else
        printf("%.15g", v);
      return;
    }
  }
  fputs("?", stdout);
}

int main(int argc, char** argv) {
  if (argc != 3) return fail("usage: px_index_read TABLE.DB TABLE.PX");
  pxdoc_t* doc = PX_new2(errorhandler, NULL, NULL, NULL);
  pxdoc_t* index = PX_new2(errorhandler, NULL, NULL, NULL);
  if (!doc || !index) return fail("PX_new2");
  if (PX_open_file(doc, argv[1]) < 0) return fail("open table");
  if (PX_open_file(index, argv[2]) < 0) return fail("open index");
  if (PX_read_primary_index(index) < 0) return fail("read index");
  if (PX_add_primary_index(doc, index) < 0) return fail("add index");

  pxhead_t* head = index->px_head;
  printf("levels=%d root=%d\n", head->px_numindexlevels, head->px_indexroot);
  const pxfield_t* key = &head->px_fields[0];
  const pxpindex_t* entries = (const pxpindex_t*)index->px_data;
  for (int i = 0; i < index->px_datalen; ++i) {
    if (entries[i].level != 1) continue;
    printf("%d %d ", entries[i].blocknumber, entries[i].numrecords);
    printField(index, key->px_ftype, key->px_flen, entries[i].data);
    putchar('\n');
  }

  const int records = PX_get_num_records(doc);
  printf("records=%d\n", records);
  const pxfield_t* first = PX_get_field(doc, 0);
  char* record = malloc((size_t)PX_get_recordsize(doc));
  if (!record) return fail("memory");
  for (int r = 0; r < records; ++r) {
    if (!PX_get_record(doc, r, record)) return fail("record");
    printField(doc, first->px_ftype, first->px_flen, record);
    putchar('\n');
  }
  free(record);
  PX_close(doc);
  PX_delete(doc);
  PX_close(index);
  PX_delete(index);
  return 0;
}
