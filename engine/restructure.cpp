#include "engine/restructure.h"

#include <filesystem>

#include "engine/convert.h"
#include "engine/drivers.h"
#include "engine/engine_error.h"
#include "engine/gbk_codec.h"
#include "engine/index/production_index.h"
#include "engine/table.h"
#include "engine/table_lock.h"

namespace tdb {

namespace fs = std::filesystem;

namespace {

const std::string kStructureRefused = "字段类型或索引可能不适合此表,请修改!\n";
const std::string kCannotReplace = "可能在其他地方已打开此数据表或其他原因,不能完成此次操作!\n";
const std::string kRecordRefused = "因索引或字段赋值问题引起错误,不能完成此次操作!\n";

constexpr long kProgressEvery = 4096;

// A cursor on the table file at `path` (absolute).
void point(Table& t, const std::string& path, TableType type) {
  t.setTableType(type);
  t.setTableName(path);
}

bool blank(const Value& v) {
  if (v.isNull()) return true;
  if (v.kind() != Value::Kind::Text && v.kind() != Value::Kind::Bytes) return false;
  return v.textValue().find_first_not_of(' ') == std::string::npos;
}

// The indexes a new table must have from its creation: a Paradox table's primary key orders its
// records as they arrive. The others are built once the records are in, which sorts each once.
bool builtWithTable(const IndexDef& def) { return def.options & ixPrimary; }

// Carries every record of `from`, in its current order, into `to`: new field j receives old field
// match[j] converted to its definition, and stored text where the two definitions are alike.
// `wanted` are the fields as asked for (whether a value is required).
CarryLosses carry(Table& from, Storage& to, const FieldDefs& wanted, const std::vector<int>& match,
                  const Restructure::Progress& progress,
                  const std::function<void(long)>& beforeRecord) {
  const FieldDefs& defs = to.fieldDefs();
  const int n = defs.count();
  std::vector<bool> alike(n), taken(from.fieldCount());
  for (int j = 0; j < n; ++j) {
    if (match[j] < 0) continue;
    const FieldDef &a = from.fieldDefs()[match[j]], &b = defs[j];
    alike[j] = a.type == b.type && a.size == b.size && a.precision == b.precision;
    taken[match[j]] = true;
  }
  std::vector<int> untaken;
  for (int i = 0; i < from.fieldCount(); ++i)
    if (!taken[i]) untaken.push_back(i);

  CarryLosses losses;
  const long total = from.recordCount();
  long done = 0;
  if (progress) progress(0, total);
  RecordBuffer buf;
  std::string_view stored;
  to.beginBatch();
  for (from.first(); !from.eof(); from.next()) {
    ++done;
    if (beforeRecord) beforeRecord(done);
    auto record = [&] { return "第" + std::to_string(from.recNo()) + "条记录"; };
    to.blank(buf);
    for (int j = 0; j < n; ++j) {
      if (match[j] < 0) continue;
      Field& f = from.field(match[j]);
      if (alike[j] && f.storedText(stored) && to.setNumberText(buf, j, stored)) continue;
      const Value v = f.value();
      if (v.isNull()) continue;
      try {
        const Value converted = toFieldValue(v, defs[j]);
        to.set(buf, j, converted);
        if (defs[j].type == FieldType::ftString && v.kind() == Value::Kind::Text &&
            converted.textValue().size() < v.textValue().find_last_not_of(' ') + 1)
          ++losses.shortened;
      } catch (const EngineError&) {
        if (!blank(v)) ++losses.cleared;
      }
    }
    for (const int i : untaken)
      if (!blank(from.field(i).value())) ++losses.dropped;
    for (int j = 0; j < n; ++j)
      if (wanted[j].required && defs[j].type != FieldType::ftAutoInc && to.get(buf, j).isNull())
        throw EngineError(kRecordRefused + record() + ": 字段[" + gbkToUtf8(defs[j].name) +
                          "]必须有值");
    try {
      to.append(buf);
    } catch (const EngineError& e) {
      throw EngineError(kRecordRefused + record() + ": " + e.what());
    }
    if (progress && done % kProgressEvery == 0) progress(done, total);
  }
  to.endBatch();
  if (progress) progress(done, total);
  return losses;
}

// A unique tag built over records takes repeated keys in, where storing a record one at a time
// refuses the second: the new table must refuse what its users could not store.
void refuseRepeats(const ProductionIndex& index, const IndexDef& def) {
  const int tag = index.findTag(def.name);
  if (tag < 0 || !(def.options & ixUnique)) return;
  const KeyList& keys = index.tag(tag).keys;
  for (KeyList::Pos p = keys.begin(), q; p != keys.end(); p = q) {
    q = keys.next(p);
    if (q != keys.end() && keys.key(q) == keys.key(p))
      throw EngineError("违反唯一索引[" + gbkToUtf8(def.name) + "]: 第" +
                        std::to_string(keys.recno(p)) + "条记录和第" +
                        std::to_string(keys.recno(q)) + "条记录的键值相同");
  }
}

// Adds the indexes the new table was not created with, building each from its records.
void addIndexes(Storage& to, const IndexDefs& indexes) {
  for (const IndexDef& def : indexes) {
    if (builtWithTable(def)) continue;
    try {
      if (ProductionIndex* index = to.productionIndex()) {
        index->addTag(def);
        refuseRepeats(*index, def);
      } else {
        to.addIndex(def);
      }
    } catch (const EngineError& e) {
      throw EngineError(kRecordRefused + e.what());
    }
  }
  to.flush();
}

IndexDefs createdWith(const IndexDefs& indexes) {
  IndexDefs out;
  for (const IndexDef& def : indexes)
    if (builtWithTable(def)) out.add(def);
  return out;
}

}  // namespace

std::vector<int> matchFields(const FieldDefs& oldFields, const FieldDefs& newFields) {
  std::vector<int> match(newFields.count(), -1);
  std::vector<bool> taken(oldFields.count());
  for (int j = 0; j < newFields.count(); ++j) {
    const int i = oldFields.indexOf(newFields[j].name);
    if (i < 0) continue;
    taken[i] = true;
    if (newFields[j].type != FieldType::ftAutoInc) match[j] = i;
  }
  for (int j = 0; j < newFields.count(); ++j) {
    if (newFields[j].type == FieldType::ftAutoInc || oldFields.indexOf(newFields[j].name) >= 0)
      continue;
    for (int i = 0; i < oldFields.count(); ++i) {
      if (taken[i] || oldFields[i].type != newFields[j].type) continue;
      taken[i] = true;
      match[j] = i;
      break;
    }
  }
  return match;
}

Restructure::Restructure(const std::string& path, TableType type, FieldDefs fields,
                         IndexDefs indexes)
    : path_(fs::absolute(path).lexically_normal().string()),
      type_(drivers::typeOf(path_, type)),
      fields_(std::move(fields)),
      indexes_(std::move(indexes)) {
  const fs::path p(path_);
  backupPath_ = (p.parent_path() / ("修改结构备份" + p.extension().string())).string();
  if (const std::string problem = drivers::structureProblem(path_, type_, fields_, indexes_);
      !problem.empty())
    throw EngineError(kStructureRefused + problem);
}

Restructure::~Restructure() = default;

void Restructure::step(const std::string& name, long record) const {
  if (stepHook) stepHook(name, record);
}

void Restructure::backup(const Progress& progress) {
  // Whatever stops the backup (a full disk, a table in use), the table itself is untouched; a
  // reason from the record copy loses its own heading, which speaks of the new structure.
  try {
    step("backup");
    Table old;
    point(old, path_, type_);
    old.open();
    const FieldDefs defs = old.fieldDefs();
    const IndexDefs indexes = old.indexDefs();
    drivers::Replacement copy(backupPath_, type_, defs, createdWith(indexes));
    std::vector<int> same(defs.count());
    for (int i = 0; i < defs.count(); ++i) same[i] = i;
    carry(old, copy.storage(), defs, same, progress, nullptr);
    old.close();
    addIndexes(copy.storage(), indexes);
    copy.commit();
  } catch (const EngineError& e) {
    std::string reason = e.what();
    if (reason.starts_with(kRecordRefused)) reason.erase(0, kRecordRefused.size());
    throw EngineError(kCannotReplace + reason);
  }
}

CarryLosses Restructure::build(const std::string& order, const Progress& progress) {
  built_.reset();
  step("build");
  try {
    built_ = std::make_unique<drivers::Replacement>(path_, type_, fields_, createdWith(indexes_));
  } catch (const EngineError& e) {
    throw EngineError(kCannotReplace + e.what());
  }
  try {
    Storage& out = built_->storage();
    CarryLosses losses;
    {
      // The old table through the lock held to replace it: nobody can change it meanwhile.
      LockLoan loan(path_, *built_->lock());
      Table old;
      point(old, path_, type_);
      old.setExclusive(true);
      old.open();
      if (!order.empty()) old.setIndexName(order);
      losses = carry(old, out, fields_, matchFields(old.fieldDefs(), fields_), progress,
                     [this](long record) { step("record", record); });
      old.close();
    }
    step("index");
    addIndexes(out, indexes_);
    return losses;
  } catch (...) {
    built_.reset();
    throw;
  }
}

void Restructure::commit() {
  if (!built_) throw EngineError(kCannotReplace + "新的数据表还没有建立");
  std::unique_ptr<drivers::Replacement> built = std::move(built_);
  try {
    step("swap");
    built->commit();
  } catch (const std::exception& e) {
    throw EngineError(kCannotReplace + e.what());
  }
}

}  // namespace tdb
