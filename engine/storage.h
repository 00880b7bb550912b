#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/engine_error.h"
#include "engine/field_defs.h"
#include "engine/value.h"

namespace tdb {

class ProductionIndex;

// One record as a driver holds it: the raw record bytes, plus the memo values set since it was
// read (they reach the memo file only when the record is written).
struct RecordBuffer {
  std::string bytes;
  std::map<int, Value> memos;  // field index -> new memo value
};

// What a table format driver does. Drivers know bytes and blocks, not cursors: record numbers are
// physical (1-based), deleted records are still records, and ordering, filtering and buffering
// belong to the cursor above.
class Storage {
 public:
  virtual ~Storage() = default;

  virtual const FieldDefs& fieldDefs() const = 0;
  virtual const IndexDefs& indexDefs() const = 0;

  // Physical records, deleted ones included, as of the last refresh or own append.
  virtual uint32_t recordCount() const = 0;
  // Picks up records that other programs appended since.
  virtual void refresh() = 0;

  // Reads record `recno` (1 to recordCount()) into `buf`, dropping any pending memos.
  virtual void read(uint32_t recno, RecordBuffer& buf) = 0;
  // Reads record `recno` as the file holds it now, past whatever this storage kept from earlier
  // reads, so that a post can tell whether another holder changed the record since its edit
  // began. The default is read(), for a format whose write itself refuses a record that another
  // holder changed meanwhile.
  virtual void readStored(uint32_t recno, RecordBuffer& buf) { read(recno, buf); }
  // For what a cursor keeps from its reads (the keys of caseless locates): a mark that changes
  // whenever read() may give other bytes for some record than when the mark was taken, other than
  // through this holder's own writes (which the cursor follows itself): a reload, or a change by
  // another holder that reads see. nullopt when the format cannot tell now; nothing read may then
  // be kept past the call.
  virtual std::optional<uint64_t> readsMark() { return std::nullopt; }
  // A hint that record `recno` is about to be read, so that a driver can start fetching it; it
  // checks nothing and never fails.
  virtual void prefetch(uint32_t recno) const { (void)recno; }
  // True when record `recno` is marked deleted; cheaper than read().
  virtual bool isDeleted(uint32_t recno) = 0;
  virtual bool isDeleted(const RecordBuffer& buf) const = 0;

  // A field's value in a buffer (a pending memo value if there is one, else from the files).
  virtual Value get(const RecordBuffer& buf, int field) = 0;
  // Every field of a buffer into `out`, resized to the field count, each as get() gives it; a
  // driver that can decodes into the values already there, reusing their text storage. Throws as
  // get() does, `out` then partly filled.
  virtual void getAll(const RecordBuffer& buf, std::vector<Value>& out) {
    out.resize(static_cast<size_t>(fieldDefs().count()));
    for (size_t i = 0; i < out.size(); ++i) out[i] = get(buf, static_cast<int>(i));
  }
  // For scans: the stored text of a fixed-length string field as a view into `buf`, trailing
  // blanks possibly included and null as empty. False for fields that have no such text.
  virtual bool textView(const RecordBuffer& buf, int field, std::string_view& out) const {
    (void)buf, (void)field, (void)out;
    return false;
  }
  // For formats that keep numbers as decimal text (xBase N and F fields): the text a number field
  // holds in `buf`, as stored, blanks included. False for other fields and for a blank one.
  virtual bool numberText(const RecordBuffer& buf, int field, std::string_view& out) const {
    (void)buf, (void)field, (void)out;
    return false;
  }
  // For xBase tables: the bytes a character, date, logical or number field holds in `buf`, as
  // stored, for a field of the same definition in another xBase table. False for other fields
  // and for fields with a null flag.
  virtual bool storedBytes(const RecordBuffer& buf, int field, std::string_view& out) const {
    (void)buf, (void)field, (void)out;
    return false;
  }
  // Stores such bytes into field `field`; false (the buffer unchanged) where the field cannot
  // take them as they are.
  virtual bool setStoredBytes(RecordBuffer& buf, int field, std::string_view bytes) {
    (void)buf, (void)field, (void)bytes;
    return false;
  }
  // Stores such text, exactly as numberText() gave it for a field of the same definition, into
  // number field `field`; false (the buffer unchanged) where there is no such text to store.
  virtual bool setNumberText(RecordBuffer& buf, int field, std::string_view text) {
    (void)buf, (void)field, (void)text;
    return false;
  }
  // Stores a value already converted to the field's type (convert.h). Throws EngineError when the
  // value does not fit the field's format, leaving the buffer as it was.
  virtual void set(RecordBuffer& buf, int field, const Value& value) = 0;
  // A fresh record: not deleted, every field blank.
  virtual void blank(RecordBuffer& buf) = 0;

  // Writes the buffer over record `recno`; memos first, so a crash never leaves a record that
  // points at an unwritten memo. Returns the record's number afterwards: a format that keeps
  // records in key order moves a record whose key changed.
  virtual uint32_t write(uint32_t recno, RecordBuffer& buf) = 0;
  // Appends the buffer as a new last record and returns its number (in a format that keeps
  // records in key order, where its key puts it). The record count in the file is updated last,
  // so a crash loses at most this record.
  virtual uint32_t append(RecordBuffer& buf) = 0;
  // Inserts the buffer before record `before` (0: at the end) where the format can place records,
  // else as append() does; returns its number.
  virtual uint32_t insert(uint32_t before, RecordBuffer& buf) {
    (void)before;
    return append(buf);
  }
  // Marks record `recno` deleted, or not. Where removesRecords(), deleting takes the record out
  // and the records after it move up by one; they cannot be marked undeleted.
  virtual void setDeleted(uint32_t recno, bool deleted) = 0;
  // True when record numbers are positions that inserts and deletes shift.
  virtual bool removesRecords() const { return false; }

  // Rewrites the table without its deleted records (and the memo file without dead memos).
  // Needs an exclusive open.
  virtual void pack() = 0;

  // Flushes everything written to disk, index files included.
  virtual void flush() = 0;

  // A run of appends (a copy, an append, a paste). Formats that write their whole file for a
  // change write it once, at endBatch(), and keep other writers out meanwhile; the others store
  // each append at once and ignore the batch. endBatch() throws when that one write fails, and
  // then no record appended in the batch is stored. Batches do not nest.
  virtual void beginBatch() {}
  virtual void endBatch() {}
  // Says the table is being built whole where no other program looks (drivers::Replacement) and
  // is thrown away if anything fails before it is kept: its batches may leave index tags alone
  // while they append and build them from the records at endBatch(), which then throws the key
  // violation the first offending append would have thrown; its memo appends need not look
  // again for what others wrote. Formats without either ignore it.
  virtual void markBuiltWhole() {}

  // The table's index tags, kept in step with every write; null for formats without them.
  virtual ProductionIndex* productionIndex() { return nullptr; }

  // The fields of the primary key joined by ";" when the format keeps records in its order (that
  // order is then the natural one); null otherwise.
  virtual const std::string* primaryKey() const { return nullptr; }

  // What the open found wrong but could work around (a table cut short opens read-only), one
  // message per defect naming its file; empty for a sound table.
  virtual const std::vector<std::string>& openWarnings() const {
    static const std::vector<std::string> none;
    return none;
  }

  // Whether the format gives records an identity that buffered updates can be applied to later.
  virtual bool holdsCachedUpdates() const { return true; }

  // Orders kept by field values outside index tags (Paradox secondary indexes): the sort key of a
  // buffer in the order of index definition `index`, bytes that compare as the order does;
  // nullopt for a definition that is no such order.
  virtual std::optional<std::string> sortKey(int index, const RecordBuffer& buf) const {
    (void)index, (void)buf;
    return std::nullopt;
  }
  // Adds or removes such an order; formats without them refuse.
  virtual void addIndex(const IndexDef& def) {
    (void)def;
    throw EngineError("这种数据表不能建立索引");
  }
  virtual void deleteIndex(const std::string& name) {
    (void)name;
    throw EngineError("这种数据表没有可删除的索引");
  }

  // Where primaryKey() is set: the first record whose first `fields` key fields are not below
  // those of `probe` (recordCount() + 1 when none), and whether they are equal there.
  virtual uint32_t seekPrimary(const RecordBuffer& probe, int fields, bool& equal) {
    (void)probe, (void)fields;
    equal = false;
    return 0;
  }
};

}  // namespace tdb
