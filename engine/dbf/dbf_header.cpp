#include "engine/dbf/dbf_header.h"

#include <cstdio>
#include <ctime>

#include "engine/byte_order.h"
#include "engine/engine_error.h"
#include "engine/gbk_codec.h"

namespace tdb::dbf {

namespace {

std::string hex(unsigned v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%02X", v);
  return buf;
}

[[noreturn]] void damaged(const std::string& path, const std::string& what) {
  throw EngineError("数据表[" + path + "]已损坏或不是DBF文件: " + what);
}

// The engine's type of an xBase field, by the dialect's conventions.
FieldType engineType(const Field& f, Flavor flavor) {
  switch (f.type) {
    case 'C':
      return FieldType::ftString;
    case 'N':
      if (f.decimals > 0 || f.length > 18) return FieldType::ftFloat;
      if (f.length <= 4) return FieldType::ftSmallint;
      if (f.length <= 11) return FieldType::ftInteger;
      return FieldType::ftLargeint;
    case 'F':
      return FieldType::ftFloat;
    case 'D':
      return FieldType::ftDate;
    case 'L':
      return FieldType::ftBoolean;
    case 'M':
      return (f.flags & 0x04) ? FieldType::ftBlob : FieldType::ftMemo;
    case 'B':
      return flavor == Flavor::VisualFoxPro ? FieldType::ftFloat : FieldType::ftBlob;
    case 'G':
      return FieldType::ftGraphic;
    case 'P':
      return FieldType::ftTypedBinary;
    case 'I':
      return (f.flags & 0x0C) == 0x0C ? FieldType::ftAutoInc : FieldType::ftInteger;
    case 'Y':
      return FieldType::ftCurrency;
    case 'T':
      return FieldType::ftDateTime;
    case 'O':
      return FieldType::ftFloat;
    case '+':
      return FieldType::ftAutoInc;
    case '@':
      return FieldType::ftDateTime;
    default:
      return FieldType::ftBytes;
  }
}

// The byte length a field type must have, or 0 where the length is the writer's choice.
uint32_t fixedLength(char type, Flavor flavor) {
  switch (type) {
    case 'D':
      return 8;
    case 'L':
      return 1;
    case 'I':
    case '+':
      return 4;
    case 'Y':
    case 'T':
    case 'O':
    case '@':
      return 8;
    case 'B':
      return flavor == Flavor::VisualFoxPro ? 8 : 0;
    default:
      return 0;
  }
}

bool isMemoField(char type, Flavor flavor) {
  return type == 'M' || type == 'G' || type == 'P' ||
         (type == 'B' && flavor != Flavor::VisualFoxPro);
}

std::string fieldName(const std::string& bytes) {
  size_t end = bytes.find('\0');
  std::string name = bytes.substr(0, end);
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name;
}

// The width of an integer field: one that reads back as the same type is kept, so that a copy
// keeps its source's fields; any other gets the type's usual width.
uint32_t integerWidth(const FieldDef& d, int narrowest, int widest, int usual) {
  return static_cast<uint32_t>(d.size >= narrowest && d.size <= widest ? d.size : usual);
}

[[noreturn]] void refuseType(const char* format, const char* typeName, const std::string& which) {
  throw EngineError(std::string(format) + "表不能建立" + typeName + "类型的" + which);
}

}  // namespace

MemoKind Header::memoKind() const {
  switch (flavor) {
    case Flavor::DBase3:
      return MemoKind::Dbt3;
    case Flavor::DBase4:
    case Flavor::DBase7:
      return MemoKind::Dbt4;
    case Flavor::FoxPro2:
    case Flavor::VisualFoxPro:
      return MemoKind::Fpt;
  }
  return MemoKind::None;
}

bool Header::hasMemoFields() const {
  for (const Field& f : fields)
    if (isMemoField(f.type, flavor)) return true;
  return false;
}

uint32_t announcedHeaderLength(const std::string& fixed) {
  if (fixed.size() < kFixedHeaderSize) return 0;
  return getLe16(fixed, 8);
}

Header parseHeader(const std::string& b, uint64_t fileSize, const std::string& path) {
  if (fileSize < kFixedHeaderSize || b.size() < kFixedHeaderSize) damaged(path, "文件不足32字节");
  Header h;
  h.version = static_cast<uint8_t>(b[0]);
  switch (h.version) {
    case 0x03:
    case 0x83:
      h.flavor = Flavor::DBase3;
      break;
    case 0x8B:
    case 0x43:
    case 0x63:
    case 0xCB:
      h.flavor = Flavor::DBase4;
      break;
    case 0x04:
    case 0x8C:
      h.flavor = Flavor::DBase7;
      break;
    case 0xF5:
      h.flavor = Flavor::FoxPro2;
      break;
    case 0x30:
    case 0x31:
    case 0x32:
      h.flavor = Flavor::VisualFoxPro;
      break;
    default:
      damaged(path, "不认识的版本字节" + hex(h.version));
  }
  h.year = static_cast<uint8_t>(b[1]);
  h.month = static_cast<uint8_t>(b[2]);
  h.day = static_cast<uint8_t>(b[3]);
  h.recordCount = getLe32(b, 4);
  h.headerLength = getLe16(b, 8);
  h.recordLength = getLe16(b, 10);
  h.tableFlags = static_cast<uint8_t>(b[28]);
  h.codePage = static_cast<uint8_t>(b[29]);

  const bool level7 = h.flavor == Flavor::DBase7;
  const uint32_t first = level7 ? 68 : 32;
  const uint32_t step = level7 ? 48 : 32;
  if (h.headerLength < first + 1 || h.headerLength > fileSize || h.headerLength > b.size())
    damaged(path, "文件头长度" + std::to_string(h.headerLength) + "不对");
  if (h.recordLength < 1) damaged(path, "记录长度" + std::to_string(h.recordLength) + "不对");

  uint32_t offset = 1;
  int nullBits = 0;
  bool terminated = false;
  for (uint32_t at = first; at < h.headerLength; at += step) {
    if (b[at] == '\x0D') {
      terminated = true;
      break;
    }
    if (at + step > h.headerLength) break;
    Field f;
    f.name = fieldName(b.substr(at, level7 ? 32 : 11));
    f.type = b[at + (level7 ? 32 : 11)];
    f.length = static_cast<uint8_t>(b[at + (level7 ? 33 : 16)]);
    f.decimals = static_cast<uint8_t>(b[at + (level7 ? 34 : 17)]);
    f.flags = level7 ? 0 : static_cast<uint8_t>(b[at + 18]);
    const std::string which = "字段[" + gbkToUtf8(f.name) + "]";
    // Long character fields keep the high byte of their length in the decimals byte.
    if (f.type == 'C' && !level7) {
      f.length |= static_cast<uint32_t>(f.decimals) << 8;
      f.decimals = 0;
    }
    if (f.length == 0) damaged(path, which + "长度为0");
    const uint32_t fixed = fixedLength(f.type, h.flavor);
    if (fixed && f.length != fixed)
      damaged(path, which + "类型" + std::string(1, f.type) + "的长度应为" + std::to_string(fixed));
    if ((f.type == 'N' || f.type == 'F') && (f.length > kMaxNumberWidth || f.decimals >= f.length))
      damaged(path, which + "的宽度或小数位数不对");
    if (isMemoField(f.type, h.flavor) && f.length != 10 && f.length != 4)
      damaged(path, which + "的备注块号长度应为10或4");
    f.offset = offset;
    offset += f.length;
    if (offset > h.recordLength)
      damaged(path, "字段总长超过记录长度" + std::to_string(h.recordLength));
    f.memo = isMemoField(f.type, h.flavor);
    if (f.type == '0') {  // Visual FoxPro's hidden null flags
      h.nullFlagsOffset = static_cast<int>(f.offset);
      h.nullFlagsLength = f.length;
      continue;
    }
    if (f.name.empty())
      damaged(path, "第" + std::to_string(h.fields.size() + 1) + "个字段没有名字");
    if (h.flavor == Flavor::VisualFoxPro && (f.flags & 0x02)) f.nullBit = nullBits++;
    f.def.name = f.name;
    f.def.type = engineType(f, h.flavor);
    f.def.size = static_cast<int>(f.length);
    f.def.precision = (f.type == 'N' || f.type == 'F') ? f.decimals : 0;
    h.fields.push_back(f);
  }
  if (!terminated && h.flavor != Flavor::DBase7) damaged(path, "字段说明没有结束标记0x0D");
  if (h.nullFlagsOffset >= 0 && static_cast<uint32_t>(nullBits) > h.nullFlagsLength * 8)
    damaged(path, "空值标志字段太短");
  if (h.nullFlagsOffset < 0)
    for (Field& f : h.fields) f.nullBit = -1;

  h.declaredCount = h.recordCount;
  const uint64_t held = (fileSize - h.headerLength) / h.recordLength;
  if (held < h.recordCount) h.recordCount = static_cast<uint32_t>(held);
  return h;
}

Header designHeader(const FieldDefs& defs, TableType type) {
  const bool fox = type == TableType::ttFoxPro;
  const char* format = fox ? "FoxPro" : "dBASE";
  Header h;
  h.codePage = kGbkCodePage;
  bool memo = false, level4 = false;
  if (defs.count() == 0) throw EngineError("数据表没有字段,不能建立");
  const int maxFields = fox ? kMaxFoxProFields : kMaxDBaseFields;
  if (defs.count() > maxFields)
    throw EngineError(std::string(format) + "表最多" + std::to_string(maxFields) + "个字段,这里有" +
                      std::to_string(defs.count()) + "个");
  uint32_t offset = 1;
  for (const FieldDef& d : defs) {
    const std::string which = "字段[" + gbkToUtf8(d.name) + "]";
    if (d.name.empty()) throw EngineError("字段名不能为空");
    if (d.name.size() > 10)
      throw EngineError(which + "的名字超过10个字节," + format + "表不能容纳");
    if (defs.indexOf(d.name) != static_cast<int>(&d - &defs[0])) throw EngineError(which + "重复");
    Field f;
    f.name = d.name;
    auto refuse = [&](const char* typeName) { refuseType(format, typeName, which); };
    switch (d.type) {
      case FieldType::ftString:
        if (d.size < 1 || d.size > 254)
          throw EngineError(which + "的宽度" + std::to_string(d.size) + "应在1到254之间");
        f.type = 'C', f.length = d.size;
        break;
      case FieldType::ftSmallint:
        f.type = 'N', f.length = integerWidth(d, 1, 4, 4);
        break;
      case FieldType::ftWord:
        f.type = 'N', f.length = 5;
        break;
      case FieldType::ftInteger:
        f.type = 'N', f.length = integerWidth(d, 5, 11, 11);
        break;
      case FieldType::ftLargeint:
        f.type = 'N', f.length = integerWidth(d, 12, 18, 18);
        break;
      case FieldType::ftFloat:
      case FieldType::ftCurrency:
      case FieldType::ftBCD:
        f.type = 'N';
        f.length = d.size > 0 ? d.size : 20;
        f.decimals = d.size > 0 ? d.precision : (d.type == FieldType::ftFloat ? 6 : 4);
        if (f.length > kMaxNumberWidth)
          throw EngineError(which + "的宽度" + std::to_string(f.length) + "超出数值字段最宽的" +
                            std::to_string(kMaxNumberWidth) + "位");
        if (f.decimals >= f.length || (f.decimals > 0 && f.length < 3))
          throw EngineError(which + "的宽度或小数位数不对");
        break;
      case FieldType::ftDate:
        f.type = 'D', f.length = 8;
        break;
      case FieldType::ftBoolean:
        f.type = 'L', f.length = 1;
        break;
      case FieldType::ftMemo:
      case FieldType::ftFmtMemo:
        f.type = 'M', f.length = 10, memo = true;
        break;
      case FieldType::ftBlob:
        if (fox) refuse("Blob(图象1)");
        f.type = 'B', f.length = 10, memo = level4 = true;
        break;
      case FieldType::ftGraphic:
        f.type = 'G', f.length = 10, memo = true, level4 = !fox;
        break;
      case FieldType::ftTypedBinary:
        if (!fox) refuse("Typedbinary(图象3)");
        f.type = 'P', f.length = 10, memo = true;
        break;
      case FieldType::ftAutoInc:
        refuseType(format, "自动计数", which);
      case FieldType::ftTime:
        refuseType(format, "时间", which);
      case FieldType::ftDateTime:
        refuseType(format, "日期时间", which);
      default:
        refuseType(format, fieldTypeName(d.type), which);
    }
    f.offset = offset;
    offset += f.length;
    f.memo = isMemoField(f.type, fox ? Flavor::FoxPro2 : Flavor::DBase4);
    f.def = d;
    f.def.size = static_cast<int>(f.length);
    f.def.precision = f.type == 'N' ? f.decimals : 0;
    h.fields.push_back(f);
  }
  if (offset > 65535) throw EngineError("记录长度超过65535字节");
  h.recordLength = offset;
  h.headerLength = 32 + 32 * static_cast<uint32_t>(defs.count()) + 1;
  if (fox) {
    h.flavor = Flavor::FoxPro2;
    h.version = memo ? 0xF5 : 0x03;
  } else if (level4) {
    h.flavor = Flavor::DBase4;
    h.version = 0x8B;
  } else {
    h.flavor = Flavor::DBase3;
    h.version = memo ? 0x83 : 0x03;
  }
  for (Field& f : h.fields) f.def.type = engineType(f, h.flavor);
  stampToday(h);
  return h;
}

std::string buildHeader(const Header& h) {
  std::string b(h.headerLength, '\0');
  b[0] = static_cast<char>(h.version);
  b[1] = static_cast<char>(h.year);
  b[2] = static_cast<char>(h.month);
  b[3] = static_cast<char>(h.day);
  putLe32(b, 4, h.recordCount);
  putLe16(b, 8, h.headerLength);
  putLe16(b, 10, h.recordLength);
  b[28] = static_cast<char>(h.tableFlags);
  b[29] = static_cast<char>(h.codePage);
  size_t at = 32;
  for (const Field& f : h.fields) {
    std::copy(f.name.begin(), f.name.end(), b.begin() + at);
    b[at + 11] = f.type;
    if (h.flavor == Flavor::FoxPro2) putLe32(b, at + 12, f.offset);
    b[at + 16] = static_cast<char>(f.length & 0xFF);
    b[at + 17] = static_cast<char>(f.decimals);
    at += 32;
  }
  b[at] = '\x0D';
  return b;
}

void stampToday(Header& h) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  h.year = static_cast<uint8_t>(local.tm_year % 256);
  h.month = static_cast<uint8_t>(local.tm_mon + 1);
  h.day = static_cast<uint8_t>(local.tm_mday);
}

}  // namespace tdb::dbf
