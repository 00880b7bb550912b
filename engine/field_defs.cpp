#include "engine/field_defs.h"

namespace tdb {

const char* fieldTypeName(FieldType t) {
  switch (t) {
    case FieldType::ftUnknown:
      return "ftUnknown";
    case FieldType::ftString:
      return "ftString";
    case FieldType::ftSmallint:
      return "ftSmallint";
    case FieldType::ftInteger:
      return "ftInteger";
    case FieldType::ftWord:
      return "ftWord";
    case FieldType::ftLargeint:
      return "ftLargeint";
    case FieldType::ftFloat:
      return "ftFloat";
    case FieldType::ftCurrency:
      return "ftCurrency";
    case FieldType::ftBCD:
      return "ftBCD";
    case FieldType::ftDate:
      return "ftDate";
    case FieldType::ftTime:
      return "ftTime";
    case FieldType::ftDateTime:
      return "ftDateTime";
    case FieldType::ftBoolean:
      return "ftBoolean";
    case FieldType::ftMemo:
      return "ftMemo";
    case FieldType::ftFmtMemo:
      return "ftFmtMemo";
    case FieldType::ftBlob:
      return "ftBlob";
    case FieldType::ftGraphic:
      return "ftGraphic";
    case FieldType::ftTypedBinary:
      return "ftTypedBinary";
    case FieldType::ftBytes:
      return "ftBytes";
    case FieldType::ftAutoInc:
      return "ftAutoInc";
  }
  return "ftUnknown";
}

bool isIntegerType(FieldType t) {
  return t == FieldType::ftSmallint || t == FieldType::ftInteger || t == FieldType::ftWord ||
         t == FieldType::ftLargeint || t == FieldType::ftAutoInc;
}

bool isFloatType(FieldType t) {
  return t == FieldType::ftFloat || t == FieldType::ftCurrency || t == FieldType::ftBCD;
}

bool sameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x -= 32;
    if (y >= 'a' && y <= 'z') y -= 32;
    if (x != y) return false;
    // The trail byte of a GBK character is never case-folded.
    if (x >= 0x81 && i + 1 < a.size()) {
      ++i;
      if (a[i] != b[i]) return false;
    }
  }
  return true;
}

int FieldDefs::indexOf(const std::string& name) const {
  for (size_t i = 0; i < defs_.size(); ++i)
    if (sameName(defs_[i].name, name)) return static_cast<int>(i);
  return -1;
}

}  // namespace tdb
