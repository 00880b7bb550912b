#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/field_defs.h"
#include "engine/filter/filter_expression.h"
#include "engine/index/key_list.h"
#include "engine/locate_keys.h"
#include "engine/storage.h"
#include "engine/table_type.h"
#include "engine/value.h"

namespace tdb {

// Type mapping between the engine's field types and xBase fields.
//
//   reading (xBase -> engine)                     creating (engine -> xBase)
//   C            -> ftString                      ftString        -> C(size), size 1..254
//   N, dec 0     -> ftSmallint (width <= 4),      ftSmallint      -> N(4,0)
//                   ftInteger (<= 11),            ftWord          -> N(5,0)
//                   ftLargeint (<= 18),           ftInteger       -> N(11,0)
//                   ftFloat (wider)               ftLargeint      -> N(18,0)
//                                                 (a size that reads back as the same type, such
//                                                 as ftInteger 10, gives N(size,0))
//   N, dec > 0   -> ftFloat                       ftFloat         -> N(20,6), or N(size,precision)
//                                                                    with size up to 32
//   F            -> ftFloat                       ftCurrency/BCD  -> N(20,4), or N(size,precision)
//   D            -> ftDate                        ftDate          -> D
//   L            -> ftBoolean                     ftBoolean       -> L
//   M            -> ftMemo (binary flag: ftBlob)  ftMemo          -> M
//   B            -> ftBlob (Visual FoxPro: ftFloat, a double)
//                                                 ftBlob          -> B (dBASE; FoxPro refuses)
//   G            -> ftGraphic                     ftGraphic       -> G
//   P            -> ftTypedBinary                 ftTypedBinary   -> P (FoxPro; dBASE refuses)
//   I            -> ftInteger (autoinc flag: ftAutoInc)
//   Y            -> ftCurrency                    ftAutoInc, ftTime, ftDateTime, ftBytes:
//   T, @         -> ftDateTime                    refused by both formats
//   O            -> ftFloat
//   +            -> ftAutoInc
//   other        -> ftBytes (read as raw bytes, not writable)
//
// A dBASE table is created as dBASE III+ (version 03h/83h, .DBT) unless it needs B or G fields,
// then as dBASE IV (8Bh, .DBT in block format); a FoxPro table as FoxPro 2.x (03h/F5h, .FPT).
// dBASE tables take up to 1024 fields (in the dBASE III header layout, as dBASE 5 writes them),
// FoxPro tables 255.
// Both carry the GBK code-page mark 7Ah. Text is read as GBK whatever the mark says.

enum class DataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };
enum LocateOption : unsigned { loCaseInsensitive = 1, loPartialKey = 2 };
// batCopyIndexed: a batCopy whose new table also gets the indexes set in the destination's
// indexDefs() before the move.
enum class BatchMode { batAppend, batCopy, batCopyIndexed };

// A position that stays valid while other records change: the record's identity.
struct Bookmark {
  uint32_t record = 0;  // 0: no position
};

// What bound controls hear about.
enum class TableEvent {
  DataSetChanged,  // records may have come, gone, moved or changed anywhere
  RecordChanged,   // a field of the record in hand changed
  Scrolled,        // another record became current
  StateChanged,    // browse, edit or insert
  RecordStored,    // the record in hand was stored
  RecordDeleted,   // the current record was deleted
};

// A change as bound controls hear it. For the events that concern one record, `position` is that
// record's place, counted from 1 in the cursor's order as position() counts, so that a grid can
// redraw, add or remove that one row and keep the rest:
//   StateChanged into edit: the record in hand's position; into insert: the position of the
//     record the new one goes before, 0 when it goes at the end; back to browse: 0.
//   RecordStored: where the stored record stands now, 0 when it is outside the view (a filter or
//     a master's range leaves it out). A record stored from insert state is a new record there.
//   RecordDeleted: where the deleted record stood, 0 when it was not among the visible records.
//   DataSetChanged, RecordChanged, Scrolled: 0.
// A cancelled edit or insert is a StateChanged back to browse alone: the stored records are as
// they were.
struct TableNotice {
  TableEvent event;
  long position = 0;
};

class Table;
class ProductionIndex;

// A bound control, told of every change to the table it watches (unless the table's controls are
// disabled). Observers are not owned by the table; one must be removed before it is destroyed.
class TableObserver {
 public:
  virtual ~TableObserver() = default;
  virtual void tableEvent(Table& table, const TableNotice& notice) = 0;
};

// A field of an open table, read from the current record (or the record being edited).
class Field {
 public:
  const std::string& fieldName() const;
  FieldType dataType() const;
  int size() const;
  bool required() const;
  int index() const { return index_; }

  Value value() const;
  bool isNull() const;
  std::string asString() const;  // the engine's display text, GBK
  // The number as a table that keeps numbers as decimal text (xBase) stores it, every digit
  // written (plainDecimalText): "0.1111049" in a field of 3 decimals, "4661501.766455792" where
  // value() holds 15 significant digits. False for other fields, for null, and for stored text
  // that is no plain decimal number.
  bool storedNumber(std::string& out) const;
  // The number's text exactly as the record holds it, blanks included, for Storage::setNumberText
  // into a field of the same definition: a copy that keeps every byte. False where the format
  // keeps no such text, and for a blank number.
  bool storedText(std::string_view& out) const;
  double asNumber() const;  // throws EngineError on text that is no number
  // Converted to the field's type and size; throws EngineError naming the field when it cannot.
  // Needs the edit or insert state.
  void setValue(const Value& value);
  void setAsString(const std::string& gbk);
  void clear();

 private:
  friend class Table;
  Field(Table* table, int index, bool memo) : table_(table), index_(index), memo_(memo) {}
  Table* table_;
  int index_;
  bool memo_;  // kept in another file, so its read can fail
};

// The cursor over one table: every caller reads and writes tables through it.
//
// Visible records are those not deleted, inside the master range and passing the filter. They
// are computed lazily: moving to the first records reads only those, and only record counts read
// the whole table. An order follows an index tag of the table (its keys in memory, searched for
// master ranges and locates); equal keys follow record numbers. Record numbers are physical for
// xBase tables.
class Table : private FilterFields {
 public:
  Table();
  ~Table() override;
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  // ---- where the table is (set while closed)
  // An alias name is text of the alias file, GBK; a folder (ending in '/') and the table name are
  // file names, the bytes the file system holds (UTF-8 here), whatever characters they contain.
  const std::string& databaseName() const { return databaseName_; }
  void setDatabaseName(const std::string& name);  // alias, or folder ending in '/'
  const std::string& tableName() const { return tableName_; }
  void setTableName(const std::string& name);
  TableType tableType() const { return tableType_; }
  void setTableType(TableType type);
  bool exclusive() const { return exclusive_; }
  void setExclusive(bool exclusive);
  std::string path() const;  // the table file, resolved through the session's aliases

  // ---- lifecycle
  void open();
  void close();
  bool active() const { return storage_ != nullptr; }
  void setActive(bool active) { active ? open() : close(); }
  DataSetState state() const { return state_; }
  bool exists() const;
  // From fieldDefs() and indexDefs(), replacing a table of that name. xBase tables refuse the
  // ixPrimary and ixCaseInsensitive options.
  void createTable();
  void deleteTable();                  // closed tables only
  std::string driverTypeName() const;  // "DBASE", "FOXPRO"
  void pack();                         // needs an exclusive open
  // What the open found wrong and worked around, one message per defect naming its file (a table
  // cut short opens read-only); empty while closed or for a sound table. The engine never
  // prints: callers show them.
  const std::vector<std::string>& openWarnings() const;

  // ---- navigation (each one posts a pending edit first)
  void first();
  void last();
  void next();
  void prior();
  void moveBy(int distance);
  bool bof() const;
  bool eof() const { return eof_; }
  bool isEmpty() const;
  long recNo() const;        // physical record number, -1 without a current record
  long recordCount() const;  // visible records

  // ---- editing
  void edit();
  void insert();
  void append();
  void post();
  void cancel();
  void deleteRecord();
  void refresh();
  bool modified() const { return modified_; }
  // In edit or insert state: a record is in hand.
  bool editing() const {
    return state_ == DataSetState::dsEdit || state_ == DataSetState::dsInsert;
  }

  // ---- positions, for grids: the visible records in the current order, numbered from 1. Found
  // by walking from the nearest of the places remembered every 256 records, so a grid that
  // shows rows near ones it showed before reads only those.
  // The record at `position`, 0 when there is none; the current record stays.
  uint32_t recordAt(long position);
  // The current record's position, 0 without one.
  long position();
  // Makes the record at `position` current; false (staying put) when there is none.
  bool moveTo(long position);
  // A field's value in a record recordAt() gave, without moving to it.
  Value valueAt(uint32_t record, int field);

  Bookmark bookmark() const { return {current_}; }
  void gotoBookmark(const Bookmark& mark);  // throws when the record is no longer visible
  bool bookmarkValid(const Bookmark& mark);

  // ---- bound controls
  void disableControls();
  void enableControls();
  bool controlsDisabled() const { return disabled_ > 0; }
  void addObserver(TableObserver* observer);
  void removeObserver(TableObserver* observer);

  // Moves to the first visible record whose field equals `value`; false (staying put) when none.
  // With the field leading the active index, the index finds it.
  bool locate(const std::string& fieldName, const Value& value, unsigned options = 0);

  // ---- fields
  int fieldCount() const;
  Field& field(int index);
  Field& fieldByName(const std::string& name);  // throws EngineError when missing
  Field* findField(const std::string& name);    // nullptr when missing
  // Every field's value of the current record (the record in hand while editing) into `out`,
  // resized to fieldCount(), as field(i).value() gives each: one call decodes the whole record,
  // reusing the text storage of the values already in `out`, so a scan that passes the same
  // vector for every record allocates nothing once it has grown. Throws as value() does, naming
  // the field that cannot be read (a damaged memo); `out` is then partly filled.
  void readValues(std::vector<Value>& out) const;
  FieldDefs& fieldDefs() { return fieldDefs_; }
  const FieldDefs& fieldDefs() const { return fieldDefs_; }
  IndexDefs& indexDefs() { return indexDefs_; }
  void updateFieldDefs();  // reads the structure and indexes of the table
  // Adds an index to the table's production index file (creating it) / removes one. Both need
  // an exclusive open: other holders could not see the change.
  void addIndex(const IndexDef& def);
  void deleteIndex(const std::string& name);

  // ---- hooks
  std::function<void(Table&)> beforePost;      // before a record is stored; throw to stop it
  std::function<void(Table&)> afterScroll;     // after every move
  std::function<bool(Table&)> onFilterRecord;  // acts with the filter text while filtered

  // ---- filter, order, master/detail
  const std::string& filter() const { return filterText_; }
  void setFilter(const std::string& text);  // throws EngineError on a malformed expression
  bool filtered() const { return filtered_; }
  void setFiltered(bool on);
  unsigned filterOptions() const { return filterOptions_; }
  void setFilterOptions(unsigned options);

  // The order: the index of that name, or the index whose fields are "A;B". Setting one clears
  // the other; an empty text gives the natural order. Throws EngineError when the table has no
  // such index. Equal keys follow record numbers.
  const std::string& indexName() const { return indexName_; }
  void setIndexName(const std::string& name);
  const std::string& indexFieldNames() const { return indexFieldNames_; }
  void setIndexFieldNames(const std::string& names);
  Table* masterSource() const { return master_; }
  void setMasterSource(Table* master);
  const std::string& masterFields() const { return masterFields_; }
  void setMasterFields(const std::string& names);

  // ---- cached updates
  bool cachedUpdates() const { return cachedUpdates_; }
  void setCachedUpdates(bool on);
  bool updatesPending() const { return !changes_.empty(); }
  void applyUpdates();   // writes every buffered change; on failure the rest stay buffered
  void commitUpdates();  // ends an apply
  void cancelUpdates();  // drops every buffered change
  void revertRecord();   // drops the buffered change of the current record

  // Adds the visible records of `source` (batAppend), or recreates this table with the structure
  // and records of `source` (batCopy); fields are matched by position. A copy is built whole
  // beside the table it replaces and swapped in when complete (drivers::Replacement): it refuses
  // the source itself (whatever the spelling of its path) and, failing, leaves the old table as
  // it was. An append that fails keeps the records added before the failure. `moved`, when
  // given, receives the number of records stored, on failure too; a failure's message says it.
  // `progress`, when given, hears the number of records moved so far after each one.
  void batchMove(Table& source, BatchMode mode, long* moved = nullptr,
                 const std::function<void(long)>& progress = {});

  // Groups the appends and inserts made while it lives, so that a format that writes its whole
  // file for every change (text tables) writes it once: a paste of many records is one write.
  // finish() ends the group and throws EngineError when that write fails; the grouped records
  // are then not stored. One that goes unfinished (an exception unwinding) ends the group without
  // a word. Batches nest, the outermost ending the group; the table stays open while one lives
  // (close() ends the group).
  class Batch {
   public:
    explicit Batch(Table& table);
    ~Batch();
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;
    void finish();

   private:
    Table* table_;
  };

 private:
  friend class Field;
  enum class Change { Modified, Inserted, Deleted };
  struct CachedChange {
    Change kind;
    RecordBuffer buf;
    // The record as stored when the change began: applying refuses a change whose record
    // another holder changed since, and where inserts and deletes shift record numbers, its
    // primary key finds the record again.
    RecordBuffer stored;
  };

  void shut();  // the state of a closed table, once the storage is gone
  void endBatchNow();
  bool sameFileAs(const Table& other) const;
  // The visible records of `source` into `out` (typed by `defs`), or into the buffer of cached
  // updates; `stored` counts those stored, on failure too.
  void moveRecords(Table& source, Storage& out, const FieldDefs& defs, bool buffered, long& stored);
  void copyRecords(Table& source, bool withIndexes, long& stored);
  const std::function<void(long)>* moveProgress_ = nullptr;  // during batchMove() alone
  void appendRecords(Table& source, long& stored);

  // FilterFields, for the filter expression: the candidate record.
  int fieldIndex(const std::string& name) const override;
  FieldType fieldType(int index) const override;
  Value fieldValue(int index) const override;
  std::string_view fieldText(int index, Value& holder) const override;

  // Inline: every field read passes here.
  void requireActive() const {
    if (!storage_) notOpen();
  }
  [[noreturn]] void notOpen() const;
  void requireClosed(const char* what) const;
  void checkBrowseMode();
  void requireCachedUpdates() const;  // throws for a format that refuses buffered updates
  const RecordBuffer& activeBuffer() const;
  uint32_t activeRecord() const;  // the record activeBuffer() holds
  Value valueOf(int field) const;
  // valueOf() for a memo field, whose failure names the table, the record and the field. Kept
  // apart so that every other field read stays as cheap as it is.
  Value memoValueOf(int field) const;
  bool storedNumberOf(int field, std::string& out) const;
  // A field of record `record` held in `buf`; a failure (a damaged memo) names the table, the
  // record and the field.
  Value guardedValue(const RecordBuffer& buf, uint32_t record, int field) const;
  void setFieldValue(int field, const Value& value);

  // The visible sequence.
  uint32_t physicalCount() const;
  bool isVirtual(uint32_t record) const { return record >= kFirstVirtual; }
  // The number recNo() shows for a record: buffered new ones count on after the stored ones.
  long numberOf(uint32_t record) const;
  bool loadRecord(uint32_t record, RecordBuffer& buf);  // false when the record is deleted
  // Not deleted, passing the filter and (unless `rangeKnown`: the caller walks the range) inside
  // the master's range.
  bool visible(uint32_t record, bool rangeKnown = false);
  uint32_t naturalNext(uint32_t record) const;  // 0 at the end
  uint32_t naturalPrior(uint32_t record) const;
  bool ordered() const { return activeTag_ >= 0; }
  // The storage's index tags; the storage may renew them (a pack does), so they are not kept.
  ProductionIndex* index() const { return storage_->productionIndex(); }
  // An order: an index tag of the table's index file, or an index definition the storage sorts
  // by itself (Paradox secondary indexes); neither for the natural order.
  struct Order {
    int tag = -1;
    int sorted = -1;
  };
  Order resolveOrder(const std::string& name, const std::string& fields) const;
  void applyOrder();  // resolves indexName_ / indexFieldNames_ into activeTag_ and sortedBy_
  bool sorted() const { return sortedBy_ >= 0; }
  bool isPrimaryKey(const std::string& names) const;  // the fields the records are kept in
  void orderChanged();
  const KeyList& orderKeys();
  std::optional<std::string> orderKey(const RecordBuffer& buf, uint32_t record);
  bool inKeyRange(std::string_view key) const { return key.starts_with(rangePrefix_); }
  KeyList::Pos positionOf(uint32_t record);  // end() when the record has no key in the order
  uint32_t walkOrder(KeyList::Pos from, bool forward);  // first visible record from `from` on
  const std::vector<uint32_t>& orderView();    // the ordered sequence while updates are buffered
  uint32_t step(uint32_t from, bool forward);  // next visible after/before `from` (0: ends)
  uint32_t naturalStep(uint32_t from, bool forward);  // the same in record-number order
  // The key prefix under which locate finds `value` of `field` in the active order, when it can.
  std::optional<std::string> locatePrefix(int field, const Value& value, bool wantNull,
                                          unsigned options);
  void setCurrent(uint32_t record);
  // Buffers a change of stored record `record`, remembering the record as stored.
  void bufferChange(uint32_t record, Change kind, const RecordBuffer& buf);
  // Throws when stored record `record` is no longer `expected`, the record an edit began from:
  // another holder changed it since, and writing the edit would lose that change unseen.
  void requireUnchanged(uint32_t record, const RecordBuffer& expected);
  void applyByKey();  // applyUpdates() where record numbers shift
  // The primary key's fast path for locate(): the first matching visible record, when the field
  // leads the key the records are kept in; nullopt when that path does not apply.
  std::optional<uint32_t> locateByPrimaryKey(int field, const Value& value, unsigned options,
                                             const std::function<bool(uint32_t)>& hit);
  // A locate that ignores case (table_lookup.cpp), through the keys of the field kept over the
  // stored records instead of a walk: the first visible record of the current order whose field
  // has `key` (or begins with it, `leading`) and passes `hit` (the walk's own test); 0 when none;
  // nullopt when the keys cannot be kept now (the caller walks).
  std::optional<uint32_t> locateByKeys(int field, const std::string& key, bool leading,
                                       const std::function<bool(uint32_t)>& hit);
  LocateKeys* keysOf(int field);  // built on first use; null where they cannot be had
  // The same through an index tag whose key is the field in upper case, for folded text `folded`
  // (not empty); nullopt when the table has no such tag it can trust.
  std::optional<uint32_t> locateByUpperTag(int field, const std::string& folded,
                                           const std::function<bool(uint32_t)>& hit);
  int upperTagOf(int field) const;  // -1 when none
  // The first of `candidates` (which it reorders) in the current order that is visible and passes
  // `hit`; 0 when none.
  uint32_t firstInOrder(std::vector<uint32_t>& candidates,
                        const std::function<bool(uint32_t)>& hit);
  // Each record's place in the current order; built on first use after the view changed.
  void rankOrder();
  // The stored records changed through this cursor: the kept keys no longer hold.
  void storedChanged() { lookupKeys_.clear(); }
  // Record `before` (null: none) was stored as `after`, from record number `was` to `now`: the
  // kept keys follow, or are dropped where the storage renumbered other records.
  void keepKeys(uint32_t was, const RecordBuffer* before, uint32_t now, const RecordBuffer& after);
  void viewChanged();  // order, counts and details must be recomputed
  void noteMark(long position, uint32_t record);
  void scrolled();
  void notify(TableEvent event, long position = 0);
  // True when a notice would reach an observer now: positions are worked out only then.
  bool heard() const { return disabled_ == 0 && !observers_.empty(); }
  void beginInsert(bool atEnd);
  void notifyDetails();
  void masterMoved();
  bool masterHasRecord() const;
  bool inRange(const RecordBuffer& buf, uint32_t record);
  void computeRange();
  void computeValueRange();
  bool inValueRange(const RecordBuffer& buf);
  std::vector<int> fieldList(const std::string& names, const Table& owner) const;

  static constexpr uint32_t kFirstVirtual = 0x80000000u;

  std::string databaseName_, tableName_;
  TableType tableType_ = TableType::ttDefault;
  bool exclusive_ = false;
  std::unique_ptr<Storage> storage_;
  FieldDefs fieldDefs_;
  IndexDefs indexDefs_;
  std::vector<std::unique_ptr<Field>> fields_;

  DataSetState state_ = DataSetState::dsInactive;
  uint32_t current_ = 0;  // record number of the current record, 0 for none
  mutable bool bof_ = true;
  bool eof_ = true;
  // After a delete, whether a record precedes the current one is found when first asked: finding
  // it can mean walking back over every deleted record, as when a table is emptied from the front.
  mutable bool bofPending_ = false;
  RecordBuffer currentBuf_;  // the current record as read: what an edit of it began from
  RecordBuffer editBuf_;     // the record being edited or inserted
  bool modified_ = false;
  uint32_t beforeInsert_ = 0;
  bool appending_ = false;                   // the insert goes to the end, not before beforeInsert_
  const RecordBuffer* candidate_ = nullptr;  // a record under test by the filter or a scan
  uint32_t candidateRecord_ = 0;             // its number
  RecordBuffer scratch_;                     // where visible() reads the record it tests

  std::string filterText_;
  FilterExpression filterExpr_;
  bool filtered_ = false;
  unsigned filterOptions_ = 0;

  std::string indexName_, indexFieldNames_;
  int activeTag_ = -1;
  int sortedBy_ = -1;        // the index definition the storage sorts by, -1 for none
  size_t viewAt_ = 0;        // where in view_ the last step was
  KeyList::Pos orderPos_;    // where the current record was last found in the order
  std::string rangePrefix_;  // keys of the master's range begin with it
  bool rangeEmpty_ = false;  // the master selects nothing
  // Without an index tag: the detail's range as field values the records must hold.
  std::vector<int> rangeFields_;
  std::vector<Value> rangeValues_;
  bool rangeCaseless_ = false;
  std::vector<uint32_t> view_;  // the ordered sequence while updates are buffered, or sorted
  bool viewValid_ = false;
  long countCache_ = -1;
  static constexpr long kMarkStride = 256;
  std::vector<uint32_t> marks_;  // the record at position 1 + i * kMarkStride, as far as walked
  long lastPosition_ = 0;        // the position recordAt() last found, and its record
  uint32_t lastRecord_ = 0;
  uint32_t peekRecord_ = 0;  // the record valueAt() read into peekBuf_
  RecordBuffer peekBuf_;

  // Caseless locates: each field's keys over the stored records, good while the storage's reads
  // mark stays what it was when they were built (a field whose keys could not be built holds
  // none, so it is not tried again until then).
  std::map<int, std::optional<LocateKeys>> lookupKeys_;
  uint64_t lookupMark_ = 0;
  // The records' places in the current order, while ranked_: by record number (0 for a record
  // outside the order, else place + 1), and for buffered new records apart.
  std::vector<uint32_t> ranks_;
  std::map<uint32_t, uint32_t> newRanks_;
  bool ranked_ = false;
  bool rankedByKeys_ = false;  // ranked by the index's keys, not by the view
  uint64_t rankStamp_ = 0;     // the keys' stamp then

  Table* master_ = nullptr;
  std::string masterFields_;
  std::vector<int> masterKey_;  // masterFields_ as field indexes of the master
  std::vector<Table*> details_;

  bool cachedUpdates_ = false;
  std::map<uint32_t, CachedChange> changes_;
  std::vector<uint32_t> inserted_;  // virtual record numbers of buffered inserts, in order
  uint32_t nextVirtual_ = kFirstVirtual;

  int disabled_ = 0;
  std::vector<TableObserver*> observers_;
  int batchDepth_ = 0;  // open Batch objects
};

}  // namespace tdb
