#include "engine/summary.h"

#include "engine/convert.h"
#include "engine/engine_error.h"
#include "engine/gbk_codec.h"

namespace tdb {

bool isSummedType(FieldType type) {
  switch (type) {
    case FieldType::ftSmallint:
    case FieldType::ftInteger:
    case FieldType::ftWord:
    case FieldType::ftFloat:
    case FieldType::ftBCD:
    case FieldType::ftLargeint:
      return true;
    default:
      return false;
  }
}

namespace {

double numberOf(const Value& v) {
  if (v.kind() == Value::Kind::Double) return v.doubleValue();
  return toNumber(v);  // null counts 0
}

}  // namespace

Summary::Summary(Table& source, std::vector<int> byFields, const std::string& outputPath,
                 TableType outputType)
    : source_(source), byField_(static_cast<size_t>(source.fieldCount()), false) {
  if (source.isEmpty()) throw EngineError(kSummaryNoRecords);
  if (byFields.empty()) throw EngineError(kSummaryNoFields);
  for (int f : byFields) {
    if (f < 0 || f >= source.fieldCount()) throw EngineError("汇总字段不存在");
    byField_[static_cast<size_t>(f)] = true;
  }
  output_ = std::make_unique<drivers::Replacement>(outputPath, outputType, source.fieldDefs(),
                                                   IndexDefs{});
}

Summary::~Summary() = default;

void Summary::startGroup() {
  values_.resize(byField_.size());
  for (size_t i = 0; i < byField_.size(); ++i)
    values_[i] = source_.field(static_cast<int>(i)).value();
}

void Summary::addToGroup() {
  for (size_t i = 0; i < byField_.size(); ++i) {
    if (byField_[i]) continue;
    Field& f = source_.field(static_cast<int>(i));
    if (!isSummedType(f.dataType())) continue;
    // A blank counts 0 here; only a group of one, which never comes here, keeps a blank sum.
    values_[i] = Value::number(numberOf(values_[i]) + numberOf(f.value()));
  }
}

void Summary::writeGroup(RecordBuffer& buf, long group) {
  Storage& out = output_->storage();
  const FieldDefs& defs = out.fieldDefs();
  out.blank(buf);
  for (int i = 0; i < defs.count() && i < static_cast<int>(values_.size()); ++i) {
    if (defs[i].type == FieldType::ftAutoInc) continue;  // the output numbers its own
    try {
      out.set(buf, i, toFieldValue(values_[static_cast<size_t>(i)], defs[i]));
    } catch (const EngineError& e) {
      std::string key;
      for (size_t k = 0; k < byField_.size(); ++k) {
        if (!byField_[k]) continue;
        Field& f = source_.field(static_cast<int>(k));
        const Value& v = values_[k];
        key += (key.empty() ? "" : ",") + gbkToUtf8(f.fieldName()) + "=" +
               shownText(displayText(v, f.dataType()));
      }
      throw EngineError("第" + std::to_string(group) + "组(" + key + ")的字段[" +
                        gbkToUtf8(defs[i].name) + "]: " + e.what());
    }
  }
  out.append(buf);
}

long Summary::run(const std::function<void(long)>& progress) {
  Storage& out = output_->storage();
  RecordBuffer buf;
  long groups = 0;
  out.beginBatch();
  source_.first();
  if (!source_.eof()) {
    startGroup();
    for (long k = 1; !source_.eof(); ++k, source_.next()) {
      if (progress) progress(k);
      if (k == 1) continue;
      bool changed = false;
      for (size_t i = 0; i < byField_.size() && !changed; ++i)
        changed = byField_[i] && !(source_.field(static_cast<int>(i)).value() == values_[i]);
      if (!changed) {
        addToGroup();
        continue;
      }
      writeGroup(buf, ++groups);
      startGroup();
    }
    writeGroup(buf, ++groups);
  }
  out.endBatch();
  output_->commit();
  return groups;
}

}  // namespace tdb
