#include "engine/table.h"

#include <climits>
#include <exception>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <utility>

#include "engine/convert.h"
#include "engine/drivers.h"
#include "engine/engine_error.h"
#include "engine/gbk_codec.h"
#include "engine/index/key_encoding.h"
#include "engine/index/production_index.h"
#include "engine/number_text.h"
#include "engine/session.h"

namespace tdb {

namespace fs = std::filesystem;

namespace {

// Index names compare without case and surrounding blanks.
bool sameIndexName(std::string_view a, std::string_view b) {
  auto trim = [](std::string_view s) {
    s = trimPadding(s);
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    return s;
  };
  return foldCase(trim(a)) == foldCase(trim(b));
}

bool isText(FieldType t) {
  return t == FieldType::ftString || t == FieldType::ftMemo || t == FieldType::ftFmtMemo;
}

// Total order of field values for ordering: nulls first, then by kind.
int compareValues(const Value& a, const Value& b) {
  if (a.isNull() || b.isNull()) return a.isNull() == b.isNull() ? 0 : (a.isNull() ? -1 : 1);
  if (a.kind() == Value::Kind::Text || a.kind() == Value::Kind::Bytes) {
    const std::string_view x = trimPadding(a.textValue());
    const std::string_view y =
        trimPadding(b.kind() == Value::Kind::Text || b.kind() == Value::Kind::Bytes
                        ? std::string_view(b.textValue())
                        : std::string_view());
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  const double x = toNumber(a), y = toNumber(b);
  return x < y ? -1 : (x > y ? 1 : 0);
}

[[noreturn]] void notEditing() { throw EngineError("数据表不在编辑或插入状态"); }

}  // namespace

// ---------------------------------------------------------------- Field

const std::string& Field::fieldName() const { return table_->fieldDefs_[index_].name; }
FieldType Field::dataType() const { return table_->fieldDefs_[index_].type; }
int Field::size() const { return table_->fieldDefs_[index_].size; }
bool Field::required() const { return table_->fieldDefs_[index_].required; }
Value Field::value() const { return memo_ ? table_->memoValueOf(index_) : table_->valueOf(index_); }
bool Field::isNull() const { return value().isNull(); }
std::string Field::asString() const { return displayText(value(), dataType()); }
bool Field::storedNumber(std::string& out) const { return table_->storedNumberOf(index_, out); }
bool Field::storedText(std::string_view& out) const {
  table_->requireActive();
  const RecordBuffer& buf = table_->activeBuffer();
  return !buf.bytes.empty() && table_->storage_->numberText(buf, index_, out);
}
double Field::asNumber() const { return toNumber(value()); }
void Field::setValue(const Value& v) { table_->setFieldValue(index_, v); }
void Field::setAsString(const std::string& gbk) { setValue(Value::text(gbk)); }
void Field::clear() { setValue(Value()); }

// ---------------------------------------------------------------- where

Table::Table() = default;

Table::~Table() {
  try {
    close();
  } catch (...) {
    // A destructor must not throw; the table is being dropped anyway.
  }
  if (master_) std::erase(master_->details_, this);
  for (Table* d : details_) d->master_ = nullptr;
}

void Table::setDatabaseName(const std::string& name) {
  requireClosed("改变数据库名");
  databaseName_ = name;
}

void Table::setTableName(const std::string& name) {
  requireClosed("改变表名");
  tableName_ = name;
}

void Table::setTableType(TableType type) {
  requireClosed("改变表类型");
  tableType_ = type;
}

void Table::setExclusive(bool exclusive) {
  requireClosed("改变独占方式");
  exclusive_ = exclusive;
}

std::string Table::path() const {
  if (tableName_.empty()) throw EngineError("没有指定表名");
  std::string name = tableName_;
  // A name without extension takes its format's.
  if (fs::path(name).extension().empty())
    name += tableType_ == TableType::ttParadox ? ".DB"
            : tableType_ == TableType::ttASCII ? ".TXT"
                                               : ".DBF";
  if (fs::path(name).is_absolute()) return name;
  return Session::folderOf(databaseName_) + name;
}

void Table::notOpen() const { throw EngineError("数据表[" + tableName_ + "]没有打开"); }

void Table::requireClosed(const char* what) const {
  if (storage_) throw EngineError(std::string("数据表打开时不能") + what);
}

std::string Table::driverTypeName() const {
  const TableType t = drivers::resolve(tableType_, tableName_);
  switch (t) {
    case TableType::ttFoxPro:
      return "FOXPRO";
    case TableType::ttParadox:
      return "PARADOX";
    case TableType::ttASCII:
      return "ASCIIDRV";
    default:
      return "DBASE";
  }
}

bool Table::exists() const { return fs::exists(path()); }

// ---------------------------------------------------------------- lifecycle

void Table::open() {
  if (storage_) return;
  const std::string file = path();
  storage_ = drivers::open(file, tableType_, exclusive_);
  storedChanged();  // a new storage counts its reads mark afresh
  // Whatever fails from here on leaves the table shut: a cursor half bound to a structure it does
  // not fit (a filter, an order or master fields naming what the table lacks) is no open table.
  try {
    fieldDefs_ = storage_->fieldDefs();
    indexDefs_ = storage_->indexDefs();
    if (cachedUpdates_) requireCachedUpdates();
    filterExpr_ = FilterExpression::parse(filterText_, *this);
    applyOrder();
    fields_.clear();
    for (int i = 0; i < fieldDefs_.count(); ++i)
      fields_.emplace_back(new Field(this, i, isMemoType(fieldDefs_[i].type)));
    changes_.clear();
    inserted_.clear();
    state_ = DataSetState::dsBrowse;
    modified_ = false;
    viewChanged();
    masterKey_.clear();
    if (master_ && master_->active()) masterKey_ = fieldList(masterFields_, *master_);
    computeRange();
    notify(TableEvent::StateChanged);
    first();
    notify(TableEvent::DataSetChanged);
  } catch (...) {
    storage_.reset();  // nothing was written through it, so nothing is lost
    shut();
    throw;
  }
}

void Table::close() {
  if (!storage_) return;
  // Index files are written as the table closes; a failure is reported once the table is shut.
  std::exception_ptr failure;
  try {
    endBatchNow();
    storage_->flush();
  } catch (...) {
    failure = std::current_exception();
  }
  storage_.reset();
  shut();
  if (failure) std::rethrow_exception(failure);
}

void Table::shut() {
  batchDepth_ = 0;
  storedChanged();
  activeTag_ = sortedBy_ = -1;
  fields_.clear();
  state_ = DataSetState::dsInactive;
  current_ = 0;
  bof_ = eof_ = true;
  currentBuf_ = {};
  editBuf_ = {};
  modified_ = false;
  changes_.clear();
  inserted_.clear();
  viewChanged();
  notify(TableEvent::StateChanged);
  notify(TableEvent::DataSetChanged);
  notifyDetails();
}

void Table::createTable() {
  requireClosed("建立");
  drivers::create(path(), tableType_, fieldDefs_, indexDefs_);
}

void Table::addIndex(const IndexDef& def) {
  requireActive();
  checkBrowseMode();
  if (!exclusive_) throw EngineError("数据表[" + tableName_ + "]必须独占打开才能建立索引");
  if (index())
    index()->addTag(def);
  else
    storage_->addIndex(def);
  indexDefs_ = storage_->indexDefs();
  applyOrder();  // a storage's own orders are numbered by definition, which may have moved
  orderChanged();
}

void Table::deleteIndex(const std::string& name) {
  requireActive();
  checkBrowseMode();
  if (!exclusive_) throw EngineError("数据表[" + tableName_ + "]必须独占打开才能删除索引");
  const Order removed = resolveOrder(name, "");
  if ((removed.tag >= 0 && removed.tag == activeTag_) ||
      (removed.sorted >= 0 && removed.sorted == sortedBy_)) {
    indexName_.clear();
    indexFieldNames_.clear();
  }
  if (index())
    index()->removeTag(name);
  else
    storage_->deleteIndex(name);
  indexDefs_ = storage_->indexDefs();
  applyOrder();
  orderChanged();
}

void Table::deleteTable() {
  requireClosed("删除");
  const std::string file = path();
  drivers::remove(file, tableType_);
}

void Table::updateFieldDefs() {
  if (storage_) {
    fieldDefs_ = storage_->fieldDefs();
    indexDefs_ = storage_->indexDefs();
    return;
  }
  const std::string file = path();
  auto storage = drivers::open(file, tableType_, false, ProductionIndex::BadTags::Keep);
  fieldDefs_ = storage->fieldDefs();
  indexDefs_ = storage->indexDefs();
}

const std::vector<std::string>& Table::openWarnings() const {
  static const std::vector<std::string> none;
  return storage_ ? storage_->openWarnings() : none;
}

void Table::pack() {
  requireActive();
  checkBrowseMode();
  if (updatesPending()) throw EngineError("数据表有未保存的缓冲修改,不能压缩");
  storedChanged();
  storage_->pack();
  orderPos_ = {};
  viewChanged();
  first();
  notify(TableEvent::DataSetChanged);
}

// ---------------------------------------------------------------- the visible sequence

uint32_t Table::physicalCount() const { return storage_->recordCount(); }

bool Table::loadRecord(uint32_t record, RecordBuffer& buf) {
  if (cachedUpdates_) {
    auto it = changes_.find(record);
    if (it != changes_.end()) {
      if (it->second.kind == Change::Deleted) return false;
      buf = it->second.buf;
      return true;
    }
    if (isVirtual(record)) return false;
  }
  storage_->read(record, buf);
  return !storage_->isDeleted(buf);
}

bool Table::visible(uint32_t record, bool rangeKnown) {
  if (isVirtual(record) && !changes_.count(record)) return false;  // a dropped buffered insert
  const bool plain = (!master_ || rangeKnown) && !filtered_ && changes_.empty();
  if (plain) return !storage_->isDeleted(record);
  // One buffer for every test, so that a scan allocates nothing per record. A filter hook that
  // moves this cursor would re-enter here; hooks only read the record in hand.
  RecordBuffer& buf = scratch_;
  if (!loadRecord(record, buf)) return false;
  if (master_ && !rangeKnown && !inRange(buf, record)) return false;
  if (!filtered_) return true;
  const RecordBuffer* saved = candidate_;
  const uint32_t savedRecord = candidateRecord_;
  candidate_ = &buf;
  candidateRecord_ = record;
  bool ok = false;
  try {
    ok = filterExpr_.matches(*this, filterOptions_) && (!onFilterRecord || onFilterRecord(*this));
  } catch (...) {
    candidate_ = saved;
    candidateRecord_ = savedRecord;
    throw;
  }
  candidate_ = saved;
  candidateRecord_ = savedRecord;
  return ok;
}

uint32_t Table::naturalNext(uint32_t record) const {
  const uint32_t count = physicalCount();
  if (record == 0) return count > 0 ? 1 : (inserted_.empty() ? 0 : inserted_.front());
  if (!isVirtual(record)) {
    if (record < count) return record + 1;
    return inserted_.empty() ? 0 : inserted_.front();
  }
  auto it = std::find(inserted_.begin(), inserted_.end(), record);
  return it == inserted_.end() || it + 1 == inserted_.end() ? 0 : *(it + 1);
}

uint32_t Table::naturalPrior(uint32_t record) const {
  const uint32_t count = physicalCount();
  if (record == 0) return inserted_.empty() ? count : inserted_.back();
  if (!isVirtual(record)) return record - 1;
  auto it = std::find(inserted_.begin(), inserted_.end(), record);
  if (it == inserted_.end()) return 0;
  return it == inserted_.begin() ? count : *(it - 1);
}

const KeyList& Table::orderKeys() { return index()->keys(activeTag_); }

std::optional<std::string> Table::orderKey(const RecordBuffer& buf, uint32_t record) {
  if (sorted()) return storage_->sortKey(sortedBy_, buf);
  return index()->keyOf(activeTag_, buf, record);
}

KeyList::Pos Table::positionOf(uint32_t record) {
  const KeyList& keys = orderKeys();
  if (keys.valid(orderPos_) && keys.recno(orderPos_) == record) return orderPos_;
  RecordBuffer buf;
  storage_->read(record, buf);
  const std::optional<std::string> key = orderKey(buf, record);
  KeyList::Pos p = key ? keys.find(*key, record) : keys.end();
  if (p == keys.end() && key) {
    // Another program changed the record behind our keys: find it the slow way.
    for (KeyList::Pos q = keys.begin(); q != keys.end(); q = keys.next(q))
      if (keys.recno(q) == record) return orderPos_ = q;
  }
  return orderPos_ = p;
}

namespace {
constexpr uint32_t kReadAheadInOrder = 12;
}

uint32_t Table::walkOrder(KeyList::Pos p, bool forward) {
  if (rangeEmpty_) return 0;
  const KeyList& keys = orderKeys();
  for (; p != keys.end(); p = forward ? keys.next(p) : keys.prior(p)) {
    if (!inKeyRange(keys.key(p))) return 0;
    const uint32_t r = keys.recno(p);
    // The order jumps about the file: ask for the record a few steps on now, so that it is at
    // hand when the walk gets there.
    if (forward) {
      if (const uint32_t soon = keys.recnoAhead(p, kReadAheadInOrder)) storage_->prefetch(soon);
    }
    if (r <= physicalCount() && visible(r, true)) {
      orderPos_ = p;
      return r;
    }
  }
  return 0;
}

// With buffered updates pending the stored keys are not the whole truth: the order is computed
// from the records as the buffer has them.
const std::vector<uint32_t>& Table::orderView() {
  if (viewValid_) return view_;
  struct Keyed {
    std::string key;
    uint32_t record;
  };
  std::vector<Keyed> rows;
  RecordBuffer buf;
  for (uint32_t r = naturalNext(0); r != 0; r = naturalNext(r)) {
    if (!visible(r)) continue;
    loadRecord(r, buf);
    if (std::optional<std::string> key = orderKey(buf, r)) rows.push_back({std::move(*key), r});
  }
  std::stable_sort(rows.begin(), rows.end(),
                   [](const Keyed& a, const Keyed& b) { return a.key < b.key; });
  view_.clear();
  for (const Keyed& k : rows) view_.push_back(k.record);
  viewValid_ = true;
  countCache_ = static_cast<long>(view_.size());
  return view_;
}

uint32_t Table::step(uint32_t from, bool forward) {
  if (ordered() && changes_.empty()) {
    const KeyList& keys = orderKeys();
    if (from == 0) {
      if (!forward) {
        KeyList::Pos p = rangePrefix_.empty() ? keys.prior(keys.end())
                                              : keys.prior(keys.upperBound(rangePrefix_));
        return walkOrder(p, false);
      }
      return walkOrder(keys.lowerBound(rangePrefix_), true);
    }
    const KeyList::Pos p = positionOf(from);
    if (p == keys.end()) return step(0, forward);  // the record left the order
    return walkOrder(forward ? keys.next(p) : keys.prior(p), forward);
  }
  if (ordered() || sorted()) {
    const std::vector<uint32_t>& v = orderView();
    if (v.empty()) return 0;
    size_t at;
    if (from == 0) {
      at = forward ? 0 : v.size() - 1;
    } else {
      // Steps go one by one, so the last place is almost always the one to step from.
      size_t here = viewAt_ < v.size() && v[viewAt_] == from
                        ? viewAt_
                        : static_cast<size_t>(std::find(v.begin(), v.end(), from) - v.begin());
      if (here == v.size()) {
        at = forward ? 0 : v.size() - 1;
      } else if (forward) {
        if (here + 1 == v.size()) return 0;
        at = here + 1;
      } else {
        if (here == 0) return 0;
        at = here - 1;
      }
    }
    viewAt_ = at;
    return v[at];
  }
  return naturalStep(from, forward);
}

uint32_t Table::naturalStep(uint32_t from, bool forward) {
  uint32_t r = forward ? naturalNext(from) : naturalPrior(from);
  while (r != 0 && !visible(r)) r = forward ? naturalNext(r) : naturalPrior(r);
  return r;
}

void Table::setCurrent(uint32_t record) {
  bofPending_ = false;
  current_ = record;
  if (record == 0 || !loadRecord(record, currentBuf_)) {
    if (record == 0) currentBuf_ = {};
  }
}

void Table::viewChanged() {
  viewValid_ = false;
  ranked_ = false;
  view_.clear();
  countCache_ = -1;
  marks_.clear();
  lastPosition_ = 0;
  lastRecord_ = peekRecord_ = 0;
}

// ---------------------------------------------------------------- positions

void Table::noteMark(long position, uint32_t record) {
  if ((position - 1) % kMarkStride == 0 &&
      static_cast<size_t>((position - 1) / kMarkStride) == marks_.size())
    marks_.push_back(record);
  lastPosition_ = position;
  lastRecord_ = record;
}

uint32_t Table::recordAt(long position) {
  requireActive();
  if (position < 1) return 0;
  // A neighbour of the last position: one step.
  if (lastRecord_ != 0 && (position == lastPosition_ || position == lastPosition_ + 1 ||
                           position == lastPosition_ - 1)) {
    if (position == lastPosition_) return lastRecord_;
    const uint32_t r = step(lastRecord_, position > lastPosition_);
    if (r != 0) noteMark(position, r);
    return r;
  }
  long at = 1;
  uint32_t r;
  if (marks_.empty()) {
    r = step(0, true);
    if (r == 0) return 0;
    noteMark(1, r);
  } else {
    const size_t i = std::min(static_cast<size_t>((position - 1) / kMarkStride), marks_.size() - 1);
    r = marks_[i];
    at = 1 + static_cast<long>(i) * kMarkStride;
  }
  // From a nearer last position, when it lies between the mark and the target.
  if (lastRecord_ != 0 && lastPosition_ > at && lastPosition_ < position) {
    at = lastPosition_;
    r = lastRecord_;
  }
  while (at < position) {
    r = step(r, true);
    if (r == 0) return 0;
    noteMark(++at, r);
  }
  lastPosition_ = at;
  lastRecord_ = r;
  return r;
}

long Table::position() {
  requireActive();
  if (current_ == 0) return 0;
  if (current_ == lastRecord_) return lastPosition_;
  long at = 1;
  uint32_t r = 0;
  // In the natural order records ascend with positions: start from the last mark before it.
  if (!ordered() && !sorted() && changes_.empty() && !marks_.empty() && !isVirtual(current_)) {
    const auto it = std::upper_bound(marks_.begin(), marks_.end(), current_);
    if (it != marks_.begin()) {
      const size_t i = static_cast<size_t>(it - marks_.begin()) - 1;
      r = marks_[i];
      at = 1 + static_cast<long>(i) * kMarkStride;
    }
  }
  if (r == 0) {
    r = recordAt(1);
    if (r == 0) return 0;
  }
  while (r != current_) {
    r = step(r, true);
    if (r == 0) return 0;  // the current record is not among the visible ones
    noteMark(++at, r);
  }
  lastPosition_ = at;
  lastRecord_ = r;
  return at;
}

bool Table::moveTo(long position) {
  checkBrowseMode();
  const uint32_t r = recordAt(position);
  if (r == 0) return false;
  setCurrent(r);
  bof_ = eof_ = false;
  scrolled();
  return true;
}

Value Table::valueAt(uint32_t record, int field) {
  requireActive();
  if (field < 0 || field >= fieldDefs_.count())
    throw EngineError("数据表[" + tableName_ + "]没有第" + std::to_string(field + 1) + "个字段");
  // The record being edited shows what the user typed.
  if (record == current_ && state_ == DataSetState::dsEdit) return valueOf(field);
  if (record != peekRecord_) {
    peekRecord_ = 0;
    loadRecord(record, peekBuf_);
    peekRecord_ = record;
  }
  return guardedValue(peekBuf_, record, field);
}

// ---------------------------------------------------------------- navigation

void Table::checkBrowseMode() {
  requireActive();
  if (editing()) {
    if (modified_)
      post();
    else
      cancel();
  }
}

void Table::first() {
  checkBrowseMode();
  setCurrent(step(0, true));
  bof_ = true;
  eof_ = current_ == 0;
  scrolled();
}

void Table::last() {
  checkBrowseMode();
  setCurrent(step(0, false));
  eof_ = true;
  bof_ = current_ == 0;
  scrolled();
}

void Table::next() {
  checkBrowseMode();
  const uint32_t r = current_ == 0 ? 0 : step(current_, true);
  if (r != 0) {
    setCurrent(r);
    bof_ = eof_ = false;
  } else {
    eof_ = true;
  }
  scrolled();
}

void Table::prior() {
  checkBrowseMode();
  const uint32_t r = current_ == 0 ? 0 : step(current_, false);
  if (r != 0) {
    setCurrent(r);
    bof_ = eof_ = false;
  } else {
    bof_ = true;
  }
  scrolled();
}

void Table::moveBy(int distance) {
  checkBrowseMode();
  uint32_t r = current_;
  for (; distance != 0 && r != 0; distance += distance > 0 ? -1 : 1) {
    const uint32_t n = step(r, distance > 0);
    if (n == 0) {
      (distance > 0 ? eof_ : bof_) = true;
      break;
    }
    r = n;
    bof_ = eof_ = false;
  }
  setCurrent(r);
  scrolled();
}

bool Table::bof() const {
  if (bofPending_) {
    bof_ = const_cast<Table*>(this)->step(current_, false) == 0;
    bofPending_ = false;
  }
  return bof_;
}

bool Table::isEmpty() const {
  requireActive();
  return const_cast<Table*>(this)->step(0, true) == 0;
}

long Table::recNo() const {
  requireActive();
  return current_ == 0 ? -1 : numberOf(current_);
}

long Table::numberOf(uint32_t record) const {
  if (!isVirtual(record)) return record;
  auto it = std::find(inserted_.begin(), inserted_.end(), record);
  return static_cast<long>(physicalCount() + (it - inserted_.begin()) + 1);
}

long Table::recordCount() const {
  requireActive();
  auto* self = const_cast<Table*>(this);
  if (countCache_ >= 0) return countCache_;
  if ((ordered() && !changes_.empty()) || sorted())
    return static_cast<long>(self->orderView().size());
  // An order over every record shows the same records as the natural order, which reads the
  // table front to back; a range or a FOR condition has to be walked.
  const bool everyRecord = !ordered() || (!master_ && !index()->tag(activeTag_).condition);
  if (!everyRecord) {
    const KeyList& keys = self->orderKeys();
    long n = 0;
    for (uint32_t r = self->walkOrder(keys.lowerBound(rangePrefix_), true); r != 0;
         r = self->walkOrder(keys.next(self->orderPos_), true))
      ++n;
    self->countCache_ = n;
    return n;
  }
  long n = 0;
  for (uint32_t r = self->naturalStep(0, true); r != 0; r = self->naturalStep(r, true)) ++n;
  self->countCache_ = n;
  return n;
}

// ---------------------------------------------------------------- fields

int Table::fieldCount() const { return fieldDefs_.count(); }

Field& Table::field(int index) {
  requireActive();
  if (index < 0 || index >= static_cast<int>(fields_.size()))
    throw EngineError("数据表没有第" + std::to_string(index + 1) + "个字段");
  return *fields_[index];
}

Field* Table::findField(const std::string& name) {
  requireActive();
  const int i = fieldDefs_.indexOf(name);
  return i < 0 ? nullptr : fields_[i].get();
}

Field& Table::fieldByName(const std::string& name) {
  if (Field* f = findField(name)) return *f;
  throw EngineError("数据表[" + tableName_ + "]没有字段[" + gbkToUtf8(name) + "]");
}

const RecordBuffer& Table::activeBuffer() const {
  if (candidate_) return *candidate_;
  if (editing()) return editBuf_;
  return currentBuf_;
}

uint32_t Table::activeRecord() const {
  if (candidate_) return candidateRecord_;
  return state_ == DataSetState::dsInsert ? 0 : current_;
}

// Inlined where it is called: every field read passes here.
[[gnu::always_inline]] inline Value Table::valueOf(int field) const {
  requireActive();
  const RecordBuffer& buf = activeBuffer();
  if (buf.bytes.empty()) return Value();
  return storage_->get(buf, field);
}

void Table::readValues(std::vector<Value>& out) const {
  requireActive();
  const RecordBuffer& buf = activeBuffer();
  if (buf.bytes.empty()) {
    out.assign(static_cast<size_t>(fieldDefs_.count()), Value());
    return;
  }
  try {
    storage_->getAll(buf, out);
  } catch (const EngineError&) {
    // Read field by field again: the first that fails throws the message that names it.
    for (int i = 0; i < fieldDefs_.count(); ++i) guardedValue(buf, activeRecord(), i);
    throw;
  }
}

Value Table::memoValueOf(int field) const {
  requireActive();
  const RecordBuffer& buf = activeBuffer();
  if (buf.bytes.empty()) return Value();
  return guardedValue(buf, activeRecord(), field);
}

bool Table::storedNumberOf(int field, std::string& out) const {
  requireActive();
  const RecordBuffer& buf = activeBuffer();
  std::string_view text;
  return !buf.bytes.empty() && storage_->numberText(buf, field, text) &&
         plainDecimalText(text, out);
}

Value Table::guardedValue(const RecordBuffer& buf, uint32_t record, int field) const {
  try {
    return storage_->get(buf, field);
  } catch (const EngineError& e) {
    const std::string which =
        record == 0 ? "新记录" : "第" + std::to_string(numberOf(record)) + "条记录";
    throw EngineError("数据表[" + tableName_ + "]" + which + "的字段[" +
                      gbkToUtf8(fieldDefs_[field].name) + "]: " + e.what());
  }
}

void Table::setFieldValue(int field, const Value& value) {
  requireActive();
  if (!editing()) notEditing();
  storage_->set(editBuf_, field, toFieldValue(value, fieldDefs_[field]));
  modified_ = true;
  notify(TableEvent::RecordChanged);
}

int Table::fieldIndex(const std::string& name) const { return fieldDefs_.indexOf(name); }
FieldType Table::fieldType(int index) const { return fieldDefs_[index].type; }
Value Table::fieldValue(int index) const {
  return isMemoType(fieldDefs_[index].type) ? memoValueOf(index) : valueOf(index);
}

std::string_view Table::fieldText(int index, Value& holder) const {
  std::string_view view;
  const RecordBuffer& buf = activeBuffer();
  if (!buf.bytes.empty() && storage_->textView(buf, index, view)) return view;
  return FilterFields::fieldText(index, holder);
}

bool Table::isPrimaryKey(const std::string& names) const {
  const std::string* key = storage_->primaryKey();
  return key && fieldList(names, *this) == fieldList(*key, *this);
}

std::vector<int> Table::fieldList(const std::string& names, const Table& owner) const {
  std::vector<int> out;
  size_t start = 0;
  while (start <= names.size()) {
    size_t end = names.find(';', start);
    if (end == std::string::npos) end = names.size();
    std::string name(trimPadding(std::string_view(names).substr(start, end - start)));
    name.erase(0, name.find_first_not_of(' '));
    if (!name.empty()) {
      const int i = owner.fieldDefs_.indexOf(name);
      if (i < 0)
        throw EngineError("数据表[" + owner.tableName_ + "]没有字段[" + gbkToUtf8(name) + "]");
      out.push_back(i);
    }
    start = end + 1;
  }
  return out;
}

// ---------------------------------------------------------------- editing

void Table::edit() {
  requireActive();
  if (editing()) return;
  if (current_ == 0) {
    append();
    return;
  }
  editBuf_ = currentBuf_;
  modified_ = false;
  state_ = DataSetState::dsEdit;
  notify(TableEvent::StateChanged, heard() ? position() : 0);
}

void Table::insert() { beginInsert(false); }

void Table::append() { beginInsert(true); }

void Table::beginInsert(bool atEnd) {
  checkBrowseMode();
  beforeInsert_ = current_;
  appending_ = atEnd;
  storage_->blank(editBuf_);
  modified_ = false;
  state_ = DataSetState::dsInsert;
  // A new detail record belongs to the master record in hand.
  if (master_ && masterHasRecord() && ordered()) {
    const std::vector<int> from = fieldList(masterFields_, *master_);
    const std::vector<int>& to = index()->tag(activeTag_).partFields;
    for (size_t i = 0; i < from.size() && i < to.size(); ++i) {
      if (to[i] < 0) continue;
      try {
        storage_->set(editBuf_, to[i], toFieldValue(master_->valueOf(from[i]), fieldDefs_[to[i]]));
      } catch (const EngineError&) {
        // A master value the detail field cannot hold leaves the field blank for the user.
      }
    }
  }
  // The same where the range is by field values.
  for (size_t i = 0; i < rangeFields_.size(); ++i) {
    try {
      storage_->set(editBuf_, rangeFields_[i], rangeValues_[i]);
    } catch (const EngineError&) {
      // As above: the field stays blank for the user.
    }
  }
  notify(TableEvent::StateChanged, !atEnd && heard() ? position() : 0);
}

void Table::post() {
  requireActive();
  if (!editing()) notEditing();
  if (beforePost) beforePost(*this);
  for (int i = 0; i < fieldDefs_.count(); ++i) {
    if (fieldDefs_[i].required && storage_->get(editBuf_, i).isNull())
      throw EngineError("字段[" + gbkToUtf8(fieldDefs_[i].name) + "]必须有值");
  }
  uint32_t record = current_;
  // An edit that keeps the record where it was in the view keeps the view's counts and positions:
  // batch work that rewrites every record must not recount the table after each one.
  bool viewKept = false;
  if (state_ == DataSetState::dsEdit && !filtered_ && !master_) {
    viewKept =
        (!ordered() && !sorted()) || orderKey(currentBuf_, record) == orderKey(editBuf_, record);
  }
  const uint32_t was = record;
  try {
    if (state_ == DataSetState::dsEdit) {
      if (cachedUpdates_) {
        auto it = changes_.find(record);
        if (it != changes_.end())
          it->second.buf = editBuf_;
        else
          bufferChange(record, Change::Modified, editBuf_);
      } else {
        requireUnchanged(record, currentBuf_);
        record = storage_->write(record, editBuf_);
      }
    } else if (cachedUpdates_) {
      record = nextVirtual_++;
      changes_[record] = {Change::Inserted, editBuf_, {}};
      inserted_.push_back(record);
    } else if (appending_ || beforeInsert_ == 0 || isVirtual(beforeInsert_)) {
      record = storage_->append(editBuf_);
    } else {
      record = storage_->insert(beforeInsert_, editBuf_);
    }
  } catch (...) {
    if (!cachedUpdates_) storedChanged();  // how much of the record reached the file is unknown
    throw;
  }
  if (!cachedUpdates_)
    keepKeys(was, state_ == DataSetState::dsEdit ? &currentBuf_ : nullptr, record, editBuf_);
  state_ = DataSetState::dsBrowse;
  modified_ = false;
  editBuf_ = {};
  if (viewKept && record == current_) {
    peekRecord_ = 0;  // the record's values changed
  } else {
    viewChanged();
  }
  setCurrent(record);
  bof_ = eof_ = false;
  // The stored record's row first, then the state: a grid that hears the state go back to browse
  // with a record still in hand knows it was dropped.
  notify(TableEvent::RecordStored, heard() ? position() : 0);
  notify(TableEvent::StateChanged);
  notifyDetails();
}

void Table::cancel() {
  requireActive();
  if (!editing()) return;
  const bool inserting = state_ == DataSetState::dsInsert;
  state_ = DataSetState::dsBrowse;
  modified_ = false;
  editBuf_ = {};
  setCurrent(inserting ? beforeInsert_ : current_);
  notify(TableEvent::StateChanged);
}

void Table::deleteRecord() {
  requireActive();
  if (state_ == DataSetState::dsInsert) {
    cancel();
    return;
  }
  cancel();
  if (current_ == 0) throw EngineError("数据表[" + tableName_ + "]没有可删除的记录");
  const uint32_t record = current_;
  const long at = heard() ? position() : 0;
  const uint32_t after = step(record, true);
  const uint32_t before = after ? 0 : step(record, false);
  if (cachedUpdates_) {
    auto it = changes_.find(record);
    if (it != changes_.end() && it->second.kind == Change::Inserted) {
      changes_.erase(it);
      std::erase(inserted_, record);
    } else if (it != changes_.end()) {
      it->second.kind = Change::Deleted;
    } else {
      bufferChange(record, Change::Deleted, currentBuf_);
    }
  } else {
    // Elsewhere a deleted record keeps its number and is no longer visible, which every key's
    // candidate is checked for; here the records after it are renumbered.
    if (storage_->removesRecords()) storedChanged();
    storage_->setDeleted(record, true);
  }
  viewChanged();
  // Where deleting takes the record out, the records numbered after it moved up by one (in an
  // order other than the natural one, the prior record may be one of them).
  const bool shifts = !cachedUpdates_ && storage_->removesRecords();
  auto now = [&](uint32_t r) { return shifts && r > record ? r - 1 : r; };
  setCurrent(after ? now(after) : now(before));
  bof_ = current_ == 0 || after == 0 ? before == 0 : false;
  bofPending_ = current_ != 0 && after != 0;
  eof_ = current_ == 0 || after == 0;
  notify(TableEvent::RecordDeleted, at);
  scrolled();
}

void Table::refresh() {
  checkBrowseMode();
  const uint32_t before = physicalCount();
  storedChanged();
  storage_->refresh();
  // Records others appended have no keys here yet.
  if (index() && physicalCount() != before) index()->reload();
  viewChanged();
  setCurrent(current_ != 0 && visible(current_) ? current_ : step(0, true));
  bof_ = eof_ = current_ == 0;
  notify(TableEvent::DataSetChanged);
  notifyDetails();
}

bool Table::bookmarkValid(const Bookmark& mark) {
  requireActive();
  const uint32_t r = mark.record;
  if (r == 0) return false;
  if (isVirtual(r) ? !changes_.count(r) : r > physicalCount()) return false;
  return visible(r);
}

void Table::gotoBookmark(const Bookmark& mark) {
  checkBrowseMode();
  if (!bookmarkValid(mark)) throw EngineError("书签所指的记录已不存在");
  setCurrent(mark.record);
  bof_ = eof_ = false;
  scrolled();
}

bool Table::locate(const std::string& fieldName, const Value& value, unsigned options) {
  checkBrowseMode();
  const int index = fieldDefs_.indexOf(fieldName);
  if (index < 0)
    throw EngineError("数据表[" + tableName_ + "]没有字段[" + gbkToUtf8(fieldName) + "]");
  const FieldDef& def = fieldDefs_[index];
  const bool text = isText(def.type);
  // Numbers, dates and logicals have no leading part: they compare by their whole value.
  if (!text) options &= ~unsigned{loPartialKey};
  const bool wantNull = value.isNull();
  std::string target;
  Value converted;
  if (!wantNull) {
    if (text) {
      target = value.kind() == Value::Kind::Text ? value.textValue() : displayText(value, def.type);
      target = std::string(trimPadding(target));
      if (options & loCaseInsensitive) target = foldCase(target);
    } else {
      converted = toFieldValue(value, def);
    }
  }
  RecordBuffer buf;
  auto hit = [&](uint32_t r) {
    loadRecord(r, buf);
    const Value v = guardedValue(buf, r, index);
    if (wantNull || v.isNull()) return wantNull && v.isNull();
    if (text) {
      std::string s(trimPadding(v.textValue()));
      if (options & loCaseInsensitive) s = foldCase(s);
      return (options & loPartialKey) ? s.compare(0, target.size(), target) == 0 : s == target;
    }
    return !converted.isNull() && compareValues(v, converted) == 0;
  };
  auto found = [&](uint32_t r) {
    setCurrent(r);
    bof_ = eof_ = false;
    scrolled();
    return true;
  };
  if (options & loCaseInsensitive) {
    // Numbers, dates and logicals ignore both options: they compare by value.
    std::optional<std::string> key;
    if (wantNull)
      key = LocateKeys::nullKey();
    else if (text)
      key = LocateKeys::textKey(target);
    else if (std::string k; !converted.isNull() && LocateKeys::keyOf(converted, false, k))
      key = std::move(k);
    const bool leading = text && !wantNull && (options & loPartialKey);
    if (text && !wantNull && !target.empty())
      if (const std::optional<uint32_t> r = locateByUpperTag(index, target, hit))
        return *r != 0 && found(*r);
    if (key)
      if (const std::optional<uint32_t> r = locateByKeys(index, *key, leading, hit))
        return *r != 0 && found(*r);
  }
  if (std::optional<std::string> prefix =
          locatePrefix(index, text ? Value::text(target) : converted, wantNull, options)) {
    // The field leads the order: the matches, if any, sit together where the key begins.
    const KeyList& keys = orderKeys();
    for (KeyList::Pos p = keys.lowerBound(*prefix);
         p != keys.end() && keys.key(p).starts_with(*prefix) && inKeyRange(keys.key(p));
         p = keys.next(p)) {
      const uint32_t r = keys.recno(p);
      if (!rangeEmpty_ && r <= physicalCount() && visible(r, true) && hit(r)) return found(r);
    }
    return false;
  }
  if (const std::optional<uint32_t> r =
          locateByPrimaryKey(index, text ? Value::text(target) : converted, options, hit))
    return *r != 0 && found(*r);
  for (uint32_t r = step(0, true); r != 0; r = step(r, true))
    if (hit(r)) return found(r);
  return false;
}

std::optional<uint32_t> Table::locateByPrimaryKey(int field, const Value& value, unsigned options,
                                                  const std::function<bool(uint32_t)>& hit) {
  const std::string* key = storage_->primaryKey();
  if (!key || ordered() || sorted() || !changes_.empty() || value.isNull() ||
      (options & loCaseInsensitive))
    return std::nullopt;
  const std::vector<int> keyFields = fieldList(*key, *this);
  if (keyFields.empty() || keyFields[0] != field) return std::nullopt;
  RecordBuffer probe;
  storage_->blank(probe);
  try {
    storage_->set(probe, field, value);
  } catch (const EngineError&) {
    return std::nullopt;  // a value the field cannot hold; the plain scan says no
  }
  bool equal = false;
  // Every match sits together from where the key begins.
  for (uint32_t r = storage_->seekPrimary(probe, 1, equal); r >= 1 && r <= physicalCount(); ++r) {
    if (!hit(r)) break;
    if (visible(r)) return r;
  }
  return 0u;
}

std::optional<std::string> Table::locatePrefix(int field, const Value& value, bool wantNull,
                                               unsigned options) {
  if (!ordered() || !changes_.empty() || wantNull || (options & loCaseInsensitive))
    return std::nullopt;
  const ProductionIndex::Tag& tag = index()->tag(activeTag_);
  if (tag.condition || tag.partFields.empty() || tag.partFields[0] != field) return std::nullopt;
  if (options & loPartialKey) {
    // Only a key that starts with the field's own text has the partial text as its prefix.
    if (tag.fields.empty() || tag.info.keyType != 'C') return std::nullopt;
    const std::string& text = value.textValue();
    return tag.info.descending ? key_encoding::inverted(text) : text;
  }
  if (value.isNull()) return std::nullopt;
  try {
    return index()->prefixOf(activeTag_, {value});
  } catch (const EngineError&) {
    return std::nullopt;
  }
}

// ---------------------------------------------------------------- notifications

void Table::disableControls() { ++disabled_; }

void Table::enableControls() {
  if (disabled_ > 0 && --disabled_ == 0) notify(TableEvent::DataSetChanged);
}

void Table::addObserver(TableObserver* observer) { observers_.push_back(observer); }

void Table::removeObserver(TableObserver* observer) { std::erase(observers_, observer); }

void Table::notify(TableEvent event, long position) {
  if (disabled_ > 0) return;
  const TableNotice notice{event, position};
  for (TableObserver* o : std::vector<TableObserver*>(observers_)) o->tableEvent(*this, notice);
}

void Table::scrolled() {
  if (afterScroll) afterScroll(*this);
  notify(TableEvent::Scrolled);
  notifyDetails();
}

void Table::notifyDetails() {
  for (Table* d : std::vector<Table*>(details_)) d->masterMoved();
}

// ---------------------------------------------------------------- filter, order, master/detail

void Table::setFilter(const std::string& text) {
  if (storage_) filterExpr_ = FilterExpression::parse(text, *this);
  filterText_ = text;
  if (storage_ && filtered_) {
    viewChanged();
    first();
    notify(TableEvent::DataSetChanged);
  }
}

void Table::setFiltered(bool on) {
  if (filtered_ == on) return;
  if (storage_) checkBrowseMode();
  filtered_ = on;
  if (storage_) {
    viewChanged();
    first();
    notify(TableEvent::DataSetChanged);
  }
}

void Table::setFilterOptions(unsigned options) {
  filterOptions_ = options;
  if (storage_ && filtered_) {
    viewChanged();
    first();
    notify(TableEvent::DataSetChanged);
  }
}

Table::Order Table::resolveOrder(const std::string& name, const std::string& fields) const {
  // Without an index file, the storage's own orders: its index definitions but the primary key.
  auto sortedOrder = [&](auto matches) {
    if (index()) return -1;
    const IndexDefs& defs = storage_->indexDefs();
    for (int i = 0; i < defs.count(); ++i)
      if (!(defs[i].options & ixPrimary) && matches(defs[i])) return i;
    return -1;
  };
  if (!name.empty()) {
    Order o;
    o.tag = index() ? index()->findTag(name) : -1;
    if (o.tag < 0)
      o.sorted = sortedOrder([&](const IndexDef& d) { return sameIndexName(d.name, name); });
    if (o.tag < 0 && o.sorted < 0)
      throw EngineError("数据表[" + tableName_ + "]没有名为[" + gbkToUtf8(name) + "]的索引");
    if (o.tag >= 0) index()->keys(o.tag);  // a tag that cannot be evaluated fails here
    return o;
  }
  if (fields.find_first_not_of(" ;") == std::string::npos) return {};
  if (isPrimaryKey(fields)) return {};  // the records lie in that order already
  Order o;
  o.tag = index() ? index()->findTagByFields(fields) : -1;
  if (o.tag < 0) {
    const std::vector<int> wanted = fieldList(fields, *this);
    o.sorted = sortedOrder([&](const IndexDef& d) { return fieldList(d.fields, *this) == wanted; });
  }
  if (o.tag < 0 && o.sorted < 0)
    throw EngineError("数据表[" + tableName_ + "]没有以[" + gbkToUtf8(fields) + "]为字段的索引");
  return o;
}

void Table::applyOrder() {
  const Order o = resolveOrder(indexName_, indexFieldNames_);
  activeTag_ = o.tag;
  sortedBy_ = o.sorted;
}

void Table::orderChanged() {
  orderPos_ = {};
  viewChanged();
  computeRange();
  setCurrent(current_ != 0 && visible(current_) ? current_ : step(0, true));
  bof_ = eof_ = current_ == 0;
  notify(TableEvent::DataSetChanged);
  notifyDetails();
}

void Table::setIndexName(const std::string& name) {
  if (storage_) {
    checkBrowseMode();
    resolveOrder(name, "");  // throws before anything changes
  }
  indexName_ = name;
  indexFieldNames_.clear();
  if (storage_) applyOrder();
  if (storage_) orderChanged();
}

void Table::setIndexFieldNames(const std::string& names) {
  if (storage_) {
    checkBrowseMode();
    resolveOrder("", names);  // throws before anything changes
  }
  indexFieldNames_ = names;
  indexName_.clear();
  if (storage_) applyOrder();
  if (storage_) orderChanged();
}

void Table::setMasterSource(Table* master) {
  if (master == this) throw EngineError("数据表不能以自己为主表");
  if (master_) std::erase(master_->details_, this);
  master_ = master;
  if (master_) master_->details_.push_back(this);
  if (storage_) masterMoved();
}

void Table::setMasterFields(const std::string& names) {
  masterFields_ = names;
  if (storage_) masterMoved();
}

void Table::masterMoved() {
  if (!storage_) return;
  checkBrowseMode();
  // The master's key fields, looked up once per move rather than once per record tested.
  masterKey_.clear();
  if (master_ && master_->active()) masterKey_ = fieldList(masterFields_, *master_);
  computeRange();
  viewChanged();
  first();
  notify(TableEvent::DataSetChanged);
}

bool Table::masterHasRecord() const { return master_->active() && master_->current_ != 0; }

// The detail's rows are those whose key in the active index begins with the master's values as
// that index writes them; without an active index every row belongs to every master row.
void Table::computeRange() {
  rangePrefix_.clear();
  rangeEmpty_ = false;
  rangeFields_.clear();
  rangeValues_.clear();
  if (!master_ || !storage_) return;
  if (!masterHasRecord()) {
    rangeEmpty_ = true;
    return;
  }
  if (masterKey_.empty()) return;
  if (!ordered()) {
    computeValueRange();
    return;
  }
  const ProductionIndex::Tag& tag = index()->tag(activeTag_);
  std::vector<Value> values;
  for (size_t i = 0; i < masterKey_.size() && i < tag.partFields.size(); ++i) {
    const int f = tag.partFields[i];
    try {
      const Value v = master_->valueOf(masterKey_[i]);
      values.push_back(f < 0 ? v : toFieldValue(v, fieldDefs_[f]));
    } catch (const EngineError&) {
      rangeEmpty_ = true;  // a master value this field cannot hold matches nothing
      return;
    }
  }
  rangePrefix_ = index()->prefixOf(activeTag_, values);
}

// Orders the storage keeps itself (a primary key, a secondary index) have no key bytes to cut a
// prefix from: the detail's rows are those whose leading order fields hold the master's values.
void Table::computeValueRange() {
  std::vector<int> fields;
  if (sorted())
    fields = fieldList(storage_->indexDefs()[sortedBy_].fields, *this);
  else if (const std::string* key = storage_->primaryKey())
    fields = fieldList(*key, *this);
  rangeCaseless_ = sorted() && (storage_->indexDefs()[sortedBy_].options & ixCaseInsensitive);
  for (size_t i = 0; i < masterKey_.size() && i < fields.size(); ++i) {
    try {
      rangeValues_.push_back(toFieldValue(master_->valueOf(masterKey_[i]), fieldDefs_[fields[i]]));
    } catch (const EngineError&) {
      rangeEmpty_ = true;  // a master value this field cannot hold matches nothing
      return;
    }
    rangeFields_.push_back(fields[i]);
  }
}

bool Table::inValueRange(const RecordBuffer& buf) {
  for (size_t i = 0; i < rangeFields_.size(); ++i) {
    const Value v = storage_->get(buf, rangeFields_[i]);
    const Value& want = rangeValues_[i];
    if (v.isNull() || want.isNull()) {
      if (v.isNull() != want.isNull()) return false;
    } else if (v.kind() == Value::Kind::Text && want.kind() == Value::Kind::Text) {
      std::string a(trimPadding(v.textValue())), b(trimPadding(want.textValue()));
      if (rangeCaseless_ ? foldCase(a) != foldCase(b) : a != b) return false;
    } else if (compareValues(v, want) != 0) {
      return false;
    }
  }
  return true;
}

bool Table::inRange(const RecordBuffer& buf, uint32_t record) {
  if (rangeEmpty_) return false;
  if (!ordered()) return inValueRange(buf);
  const std::optional<std::string> key = orderKey(buf, record);
  return key && inKeyRange(*key);
}

// ---------------------------------------------------------------- cached updates

void Table::setCachedUpdates(bool on) {
  if (on == cachedUpdates_) return;
  if (storage_ && on) requireCachedUpdates();
  if (storage_ && !on) cancelUpdates();
  cachedUpdates_ = on;
}

void Table::requireCachedUpdates() const {
  if (!storage_->holdsCachedUpdates())
    throw EngineError("数据表[" + tableName_ + "]是" + driverTypeName() + "表,不能使用缓冲修改");
}

void Table::bufferChange(uint32_t record, Change kind, const RecordBuffer& buf) {
  CachedChange c{kind, buf, {}};
  if (kind == Change::Modified)
    c.stored = currentBuf_;  // what the edit began from
  else if (storage_->removesRecords())
    storage_->read(record, c.stored);
  changes_[record] = std::move(c);
}

void Table::requireUnchanged(uint32_t record, const RecordBuffer& expected) {
  RecordBuffer now;
  storage_->readStored(record, now);
  if (now.bytes != expected.bytes)
    throw EngineError(
        "数据表[" + tableName_ + "]的第" + std::to_string(record) +
        "条记录在编辑开始后已被其他窗口或程序修改,本次修改不能存盘:请取消修改后重新编辑");
}

void Table::applyUpdates() {
  checkBrowseMode();
  storedChanged();
  if (storage_->removesRecords()) {
    applyByKey();
    return;
  }
  std::exception_ptr failure;
  for (auto it = changes_.begin(); it != changes_.end();) {
    const uint32_t record = it->first;
    CachedChange& c = it->second;
    try {
      switch (c.kind) {
        case Change::Modified:
          requireUnchanged(record, c.stored);
          storage_->write(record, c.buf);
          break;
        case Change::Deleted:
          storage_->setDeleted(record, true);
          break;
        case Change::Inserted: {
          const uint32_t stored = storage_->append(c.buf);
          std::erase(inserted_, record);
          if (current_ == record) current_ = stored;
          break;
        }
      }
    } catch (...) {
      failure = std::current_exception();
      break;
    }
    it = changes_.erase(it);
  }
  // What was written shows, and what was not stays buffered.
  viewChanged();
  setCurrent(current_ != 0 && visible(current_) ? current_ : step(0, true));
  notify(TableEvent::DataSetChanged);
  if (failure) std::rethrow_exception(failure);
}

// Inserts and deletes shift record numbers as they land, so each buffered change finds its record
// by the primary key the record had when the change was buffered. Deletes go first, then changes,
// then new records, so that a key one record gives up can be taken by another.
void Table::applyByKey() {
  auto stored = [&](const RecordBuffer& buf) {
    bool equal = false;
    const uint32_t at = storage_->seekPrimary(buf, INT_MAX, equal);
    return equal ? at : 0;
  };
  // Where the current record is afterwards: followed by its key, or where its change landed.
  RecordBuffer here;
  const bool follow = current_ != 0 && !isVirtual(current_) && !changes_.contains(current_);
  if (follow) storage_->read(current_, here);
  uint32_t landed = 0;
  std::exception_ptr failure;
  for (const Change kind : {Change::Deleted, Change::Modified, Change::Inserted}) {
    for (auto it = changes_.begin(); it != changes_.end() && !failure;) {
      const uint32_t record = it->first;
      CachedChange& c = it->second;
      if (c.kind != kind) {
        ++it;
        continue;
      }
      try {
        if (kind == Change::Deleted) {
          if (const uint32_t at = stored(c.stored)) storage_->setDeleted(at, true);
        } else if (kind == Change::Modified) {
          const uint32_t at = stored(c.stored);
          if (at == 0)
            throw EngineError("数据表[" + tableName_ + "]中要修改的一条记录已被删除或改了主键");
          requireUnchanged(at, c.stored);
          const uint32_t now = storage_->write(at, c.buf);
          if (record == current_) landed = now;
        } else {
          const uint32_t now = storage_->append(c.buf);
          std::erase(inserted_, record);
          if (record == current_) landed = now;
        }
      } catch (...) {
        failure = std::current_exception();
        break;
      }
      it = changes_.erase(it);
    }
  }
  // What is left stays buffered under the numbers its records have now; a change whose record
  // is gone is kept as a new record rather than lost.
  std::map<uint32_t, CachedChange> left;
  for (auto& [record, c] : changes_) {
    const uint32_t at = c.kind == Change::Inserted ? 0 : stored(c.stored);
    if (at != 0) {
      if (record == current_) landed = at;
      left.emplace(at, std::move(c));
    } else if (c.kind != Change::Deleted) {
      if (c.kind == Change::Modified) {
        c.kind = Change::Inserted;
        inserted_.push_back(record);
      }
      left.emplace(record, std::move(c));
    }
  }
  changes_ = std::move(left);
  if (follow) landed = stored(here);
  viewChanged();
  const uint32_t target = landed ? landed : current_;
  setCurrent(target != 0 && visible(target) ? target : step(0, true));
  notify(TableEvent::DataSetChanged);
  if (failure) std::rethrow_exception(failure);
}

void Table::commitUpdates() {
  requireActive();
  storage_->flush();
}

void Table::cancelUpdates() {
  requireActive();
  cancel();
  changes_.clear();
  inserted_.clear();
  viewChanged();
  setCurrent(current_ != 0 && visible(current_) ? current_ : step(0, true));
  bof_ = eof_ = current_ == 0;
  notify(TableEvent::DataSetChanged);
}

void Table::revertRecord() {
  requireActive();
  cancel();
  auto it = changes_.find(current_);
  if (it == changes_.end()) return;
  const uint32_t record = current_;
  const uint32_t after = step(record, true), before = step(record, false);
  const bool wasInsert = it->second.kind == Change::Inserted;
  changes_.erase(it);
  std::erase(inserted_, record);
  viewChanged();
  setCurrent(wasInsert ? (after ? after : before) : record);
  notify(TableEvent::DataSetChanged);
}

// ---------------------------------------------------------------- batches

Table::Batch::Batch(Table& table) : table_(&table) {
  table.requireActive();
  if (table.batchDepth_++ > 0) return;
  try {
    table.storage_->beginBatch();
  } catch (...) {
    table.batchDepth_ = 0;
    throw;
  }
}

Table::Batch::~Batch() {
  try {
    finish();
  } catch (...) {
    // Unfinished: an exception is unwinding, and it is the one to report.
  }
}

void Table::Batch::finish() {
  Table* table = std::exchange(table_, nullptr);
  if (!table || table->batchDepth_ == 0 || --table->batchDepth_ > 0) return;
  table->endBatchNow();
}

void Table::endBatchNow() {
  batchDepth_ = 0;
  if (!storage_) return;
  try {
    storage_->endBatch();
  } catch (...) {
    // The grouped records were not stored: the view must not show them.
    storedChanged();
    viewChanged();
    if (!isVirtual(current_) && current_ > physicalCount()) last();
    throw;
  }
}

// ---------------------------------------------------------------- batch moves

void Table::moveRecords(Table& source, Storage& out, const FieldDefs& defs, bool buffered,
                        long& stored) {
  const int n = std::min(defs.count(), source.fieldCount());
  // A field defined as the source's takes the source's own bytes: a number may hold more decimals
  // than its field declares, or more digits than a double keeps; and nothing is converted.
  std::vector<bool> alike(n);
  for (int i = 0; i < n; ++i) {
    const FieldDef &to = defs[i], &from = source.fieldDefs_[i];
    alike[i] = to.type == from.type && to.size == from.size && to.precision == from.precision;
  }
  RecordBuffer buf;
  std::string_view text;
  for (source.first(); !source.eof(); source.next()) {
    out.blank(buf);
    for (int i = 0; i < n; ++i) {
      if (alike[i] && source.storage_->storedBytes(source.activeBuffer(), i, text) &&
          out.setStoredBytes(buf, i, text))
        continue;
      const Value v = source.field(i).value();
      try {
        out.set(buf, i, toFieldValue(v, defs[i]));
      } catch (const EngineError& e) {
        throw EngineError("第" + std::to_string(source.recNo()) + "条记录: " + e.what());
      }
    }
    if (buffered) {
      const uint32_t record = nextVirtual_++;
      changes_[record] = {Change::Inserted, buf, {}};
      inserted_.push_back(record);
    } else {
      out.append(buf);
    }
    ++stored;
    if (moveProgress_) (*moveProgress_)(stored);
  }
}

bool Table::sameFileAs(const Table& other) const {
  std::error_code error;
  return fs::equivalent(path(), other.path(), error);
}

void Table::copyRecords(Table& source, bool withIndexes, long& stored) {
  if (sameFileAs(source)) throw EngineError("数据表[" + source.path() + "]不能复制到它自己");
  close();
  fieldDefs_ = source.fieldDefs();
  if (!withIndexes) indexDefs_.clear();
  // A text table numbers nothing itself, but a copy keeps the numbers, as integers.
  if (drivers::resolve(tableType_, path()) == TableType::ttASCII)
    for (int i = 0; i < fieldDefs_.count(); ++i)
      if (fieldDefs_[i].type == FieldType::ftAutoInc) fieldDefs_[i].type = FieldType::ftInteger;
  // Built whole beside the table it replaces, which stays as it was until the copy is complete.
  drivers::Replacement replacement(path(), tableType_, fieldDefs_, indexDefs_);
  Storage& out = replacement.storage();
  const FieldDefs defs = out.fieldDefs();
  long built = 0;        // stored only once the copy is in place
  out.markBuiltWhole();  // a failure throws the whole new table away, keys and all
  out.beginBatch();
  moveRecords(source, out, defs, false, built);
  out.endBatch();
  replacement.commit();
  stored = built;
  open();
}

void Table::appendRecords(Table& source, long& stored) {
  const bool wasOpen = active();
  if (!wasOpen) open();
  storedChanged();
  auto done = [&] {
    viewChanged();
    if (wasOpen) {
      first();
      notify(TableEvent::DataSetChanged);
    } else {
      close();
    }
  };
  try {
    checkBrowseMode();
    Batch batch(*this);
    try {
      moveRecords(source, *storage_, fieldDefs_, cachedUpdates_, stored);
    } catch (...) {
      // What was gathered before the failure is stored, or (when that write fails) none of it.
      try {
        batch.finish();
      } catch (...) {
        stored = 0;
      }
      throw;
    }
    try {
      batch.finish();
    } catch (...) {
      stored = 0;
      throw;
    }
  } catch (...) {
    try {
      done();
    } catch (...) {
      // The first failure is the one to report.
    }
    throw;
  }
  done();
}

void Table::batchMove(Table& source, BatchMode mode, long* moved,
                      const std::function<void(long)>& progress) {
  moveProgress_ = progress ? &progress : nullptr;
  struct Forget {
    const std::function<void(long)>*& held;
    ~Forget() { held = nullptr; }
  } forget{moveProgress_};
  long stored = 0;
  if (moved) *moved = 0;
  const bool sourceWasOpen = source.active();
  if (!sourceWasOpen) source.open();
  const Bookmark mark = source.bookmark();
  source.disableControls();
  try {
    if (mode == BatchMode::batAppend)
      appendRecords(source, stored);
    else
      copyRecords(source, mode == BatchMode::batCopyIndexed, stored);
  } catch (const std::exception& e) {
    source.enableControls();
    if (!sourceWasOpen) source.close();
    if (moved) *moved = stored;
    throw EngineError(std::string(e.what()) +
                      (mode != BatchMode::batAppend
                           ? "(复制没有完成,数据表[" + path() + "]保持原样)"
                           : "(已追加" + std::to_string(stored) + "条记录)"));
  }
  if (source.bookmarkValid(mark)) source.gotoBookmark(mark);
  source.enableControls();
  if (!sourceWasOpen) source.close();
  if (moved) *moved = stored;
}

}  // namespace tdb
