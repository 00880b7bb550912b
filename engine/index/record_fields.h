#pragma once

#include <vector>

#include "engine/filter/filter_expression.h"
#include "engine/storage.h"

namespace tdb {

// A stored record as key and FOR expressions read it: the fields of one buffer of a storage.
class RecordFields : public FilterFields {
 public:
  RecordFields(Storage& storage, const RecordBuffer& buf) : storage_(storage), buf_(&buf) {}
  void setRecord(const RecordBuffer& buf) { buf_ = &buf; }

  int fieldIndex(const std::string& name) const override {
    return storage_.fieldDefs().indexOf(name);
  }
  FieldType fieldType(int index) const override { return storage_.fieldDefs()[index].type; }
  Value fieldValue(int index) const override { return storage_.get(*buf_, index); }
  std::string_view fieldText(int index, Value& holder) const override {
    std::string_view view;
    if (storage_.textView(*buf_, index, view)) return view;
    return FilterFields::fieldText(index, holder);
  }

 private:
  Storage& storage_;
  const RecordBuffer* buf_;
};

// Field values held in a list, for keys computed from values rather than from a stored record
// (the key range a master record selects).
class ValueFields : public FilterFields {
 public:
  ValueFields(const FieldDefs& defs, std::vector<Value> values)
      : defs_(defs), values_(std::move(values)) {}

  int fieldIndex(const std::string& name) const override { return defs_.indexOf(name); }
  FieldType fieldType(int index) const override { return defs_[index].type; }
  Value fieldValue(int index) const override { return values_[index]; }

 private:
  const FieldDefs& defs_;
  std::vector<Value> values_;
};

}  // namespace tdb
