#include "engine/paradox/px_header.h"

#include <algorithm>
#include <cstdio>

#include "engine/byte_order.h"
#include "engine/engine_error.h"
#include "engine/gbk_codec.h"

namespace tdb::px {

namespace {

std::string hex(unsigned v) {
  char buf[12];
  std::snprintf(buf, sizeof buf, "0x%02X", v);
  return buf;
}

[[noreturn]] void damaged(const std::string& path, const std::string& what) {
  throw EngineError("数据表[" + path + "]已损坏或不是Paradox数据表: " + what);
}

// The engine's type of a field.
FieldType engineType(uint8_t type) {
  switch (type) {
    case kAlpha:
      return FieldType::ftString;
    case kDate:
      return FieldType::ftDate;
    case kShort:
      return FieldType::ftSmallint;
    case kLong:
      return FieldType::ftInteger;
    case kMoney:
      return FieldType::ftCurrency;
    case kNumber:
      return FieldType::ftFloat;
    case kLogical:
      return FieldType::ftBoolean;
    case kMemo:
      return FieldType::ftMemo;
    case kBlob:
      return FieldType::ftBlob;
    case kFmtMemo:
      return FieldType::ftFmtMemo;
    case kOle:
      return FieldType::ftTypedBinary;
    case kGraphic:
      return FieldType::ftGraphic;
    case kTime:
      return FieldType::ftTime;
    case kTimestamp:
      return FieldType::ftDateTime;
    case kAutoInc:
      return FieldType::ftAutoInc;
    case kBcd:
      return FieldType::ftBCD;
    case kBytes:
      return FieldType::ftBytes;
    default:
      return FieldType::ftUnknown;
  }
}

// The record bytes a type must have, 0 where the size is the table's choice.
uint32_t fixedSize(uint8_t type) {
  switch (type) {
    case kLogical:
      return 1;
    case kShort:
      return 2;
    case kDate:
    case kLong:
    case kTime:
    case kAutoInc:
      return 4;
    case kMoney:
    case kNumber:
    case kTimestamp:
      return 8;
    case kBcd:
      return 17;
    default:
      return 0;
  }
}

// A NUL-terminated string starting at `at`, which must end before `end`.
bool cString(const std::string& b, uint32_t at, uint32_t end, std::string& out) {
  for (uint32_t i = at; i < end; ++i) {
    if (b[i] == '\0') {
      out = b.substr(at, i - at);
      return true;
    }
  }
  return false;
}

}  // namespace

bool Header::hasBlobFields() const {
  for (const Field& f : fields)
    if (isBlobType(f.type)) return true;
  return false;
}

uint32_t announcedHeaderSize(const std::string& fixed) {
  if (fixed.size() < 4) return 0;
  return getLe16(fixed, 2);
}

Header parseHeader(const std::string& b, uint64_t fileSize, const std::string& path) {
  if (fileSize < kFixedHeaderSize || b.size() < kFixedHeaderSize)
    damaged(path, "文件不足" + std::to_string(kFixedHeaderSize) + "字节");
  Header h;
  h.recordSize = getLe16(b, 0x00);
  h.headerSize = getLe16(b, 0x02);
  h.fileType = static_cast<uint8_t>(b[0x04]);
  h.maxTableSize = static_cast<uint8_t>(b[0x05]);
  h.recordCount = getLe32(b, 0x06);
  h.nextBlock = getLe16(b, 0x0A);
  h.fileBlocks = getLe16(b, 0x0C);
  h.firstBlock = getLe16(b, 0x0E);
  h.lastBlock = getLe16(b, 0x10);
  const uint32_t fieldCount = getLe16(b, 0x21);
  h.keyFieldCount = getLe16(b, 0x23);
  uint32_t encryption = getLe32(b, 0x25);
  h.sortOrder = static_cast<uint8_t>(b[0x29]);
  h.versionByte = static_cast<uint8_t>(b[0x39]);
  h.autoIncrement = static_cast<int32_t>(getLe32(b, 0x49));

  if (h.fileType != 0 && h.fileType != 2) {
    damaged(path, "文件类型" + std::to_string(h.fileType) + "不是数据表(可能是索引文件)");
  }
  switch (h.versionByte) {
    case 3:
      h.version = 30;
      break;
    case 4:
      h.version = 35;
      break;
    case 5:
    case 6:
    case 7:
    case 8:
    case 9:
      h.version = 40;
      break;
    case 10:
    case 11:
      h.version = 50;
      break;
    case 12:
      h.version = 70;
      break;
    default:
      damaged(path, "不认识的版本字节" + hex(h.versionByte));
  }
  if (h.maxTableSize < 1 || h.maxTableSize > 32)
    damaged(path, "块大小" + std::to_string(h.maxTableSize) + "KB不对");
  h.blockSize = h.maxTableSize * 1024u;
  if (h.recordSize == 0 || h.recordSize > h.blockSize - Header::kBlockHeaderSize)
    damaged(path, "记录长度" + std::to_string(h.recordSize) + "不对");
  if (fieldCount == 0) damaged(path, "没有字段");
  if (h.keyFieldCount > fieldCount)
    damaged(path, "主键字段数" + std::to_string(h.keyFieldCount) + "超过字段数");
  if (h.headerSize < kFixedHeaderSize || h.headerSize > fileSize || h.headerSize > b.size())
    damaged(path, "文件头长度" + std::to_string(h.headerSize) + "不对");

  // Version 4 and later put a second part with the code page before the field list.
  uint32_t at = kFixedHeaderSize;
  if (h.version >= 40) {
    if (h.headerSize < 0x78) damaged(path, "文件头长度" + std::to_string(h.headerSize) + "不对");
    h.codePage = getLe16(b, 0x6A);
    if (encryption == 0xFF00FF00) encryption = getLe32(b, 0x5C);
    at = 0x78;
  } else if (encryption == 0xFF00FF00) {
    encryption = 0;
  }
  if (encryption != 0) {
    throw EngineError("数据表[" + path + "]已加密,不能读取");
  }

  const uint32_t tableNameLength = h.version >= 70 ? 261 : 79;
  // Field types and sizes, the table name pointer, the field name pointers, the table name.
  const uint64_t namesAt =
      at + uint64_t{fieldCount} * 2 + 4 + uint64_t{fieldCount} * 4 + tableNameLength;
  if (namesAt > h.headerSize) damaged(path, "字段数" + std::to_string(fieldCount) + "超出文件头");

  for (uint32_t i = 0; i < fieldCount; ++i) {
    Field f;
    f.type = static_cast<uint8_t>(b[at + 2 * i]);
    f.size = static_cast<uint8_t>(b[at + 2 * i + 1]);
    h.fields.push_back(f);
  }

  std::string tableName;
  const uint32_t tableAt = at + fieldCount * 2 + 4 + fieldCount * 4;
  if (!cString(b, tableAt, tableAt + tableNameLength, tableName)) {
    // A name filling its whole slot has no terminator.
    tableName = b.substr(tableAt, tableNameLength);
  }
  h.tableName = tableName;

  uint32_t offset = 0;
  uint32_t nameAt = static_cast<uint32_t>(namesAt);
  for (uint32_t i = 0; i < fieldCount; ++i) {
    Field& f = h.fields[i];
    if (!cString(b, nameAt, h.headerSize, f.name))
      damaged(path, "第" + std::to_string(i + 1) + "个字段的名称超出文件头");
    nameAt += static_cast<uint32_t>(f.name.size()) + 1;
    const std::string which = "字段[" + gbkToUtf8(f.name) + "]";

    f.def.type = engineType(f.type);
    if (f.def.type == FieldType::ftUnknown)
      damaged(path, which + "的类型" + hex(f.type) + "不认识");
    const uint32_t fixed = fixedSize(f.type);
    if (f.type == kBcd) {
      // The size byte of a BCD field holds its decimal places; it always takes 17 bytes.
      f.decimals = f.size;
      f.size = 17;
      if (f.decimals > 32)
        damaged(path, which + "的小数位数" + std::to_string(f.decimals) + "不对");
      f.def.size = static_cast<int>(f.decimals);
      f.def.precision = static_cast<int>(f.decimals);
    } else if (fixed) {
      if (f.size != fixed)
        damaged(path,
                which + "的长度应为" + std::to_string(fixed) + "而不是" + std::to_string(f.size));
    } else if (isBlobType(f.type)) {
      // The bytes held in the record, then a 10-byte pointer into the .MB file.
      if (f.size < 10) damaged(path, which + "的长度" + std::to_string(f.size) + "不足10");
      f.def.size = static_cast<int>(f.size - 10);
    } else {
      if (f.size == 0) damaged(path, which + "长度为0");
      f.def.size = static_cast<int>(f.size);
    }
    f.def.name = f.name;
    f.offset = offset;
    offset += f.size;
  }
  if (offset != h.recordSize)
    damaged(path, "字段长度之和" + std::to_string(offset) + "与记录长度" +
                      std::to_string(h.recordSize) + "不符");
  if (h.firstBlock > h.fileBlocks)
    damaged(path,
            "首数据块" + std::to_string(h.firstBlock) + "超过块数" + std::to_string(h.fileBlocks));
  if (uint64_t{h.recordCount} > uint64_t{h.fileBlocks} * h.recordsPerBlock())
    damaged(path, "记录数" + std::to_string(h.recordCount) + "超过" + std::to_string(h.fileBlocks) +
                      "个数据块所能容纳的");
  return h;
}

namespace {

// The sort order the header names: Paradox's order for code page 936. Keys are kept in the order
// of their bytes, which for GBK text is the order of its code points.
constexpr uint8_t kChinaSortOrder = 3;
constexpr char kChinaSortOrderName[] = "china";

}  // namespace

std::string encodeHeader(const Header& h) {
  const uint32_t n = static_cast<uint32_t>(h.fields.size());
  constexpr uint32_t kFieldsAt = 0x78;
  constexpr uint32_t kTableNameLength = 261;
  uint32_t size = kFieldsAt + n * 2 + 4 + n * 4 + kTableNameLength;
  for (const Field& f : h.fields) size += static_cast<uint32_t>(f.name.size()) + 1;
  size += n * 2 + sizeof kChinaSortOrderName;
  const uint32_t headerSize = h.headerSize >= size ? h.headerSize : (size + 2047) / 2048 * 2048;

  std::string b(headerSize, '\0');
  putLe16(b, 0x00, h.recordSize);
  putLe16(b, 0x02, headerSize);
  b[0x04] = static_cast<char>(h.fileType);
  b[0x05] = static_cast<char>(h.maxTableSize);
  putLe32(b, 0x06, h.recordCount);
  putLe16(b, 0x0A, h.nextBlock);
  putLe16(b, 0x0C, h.fileBlocks);
  putLe16(b, 0x0E, h.firstBlock);
  putLe16(b, 0x10, h.lastBlock);
  putLe16(b, 0x21, n);
  putLe16(b, 0x23, h.keyFieldCount);
  putLe32(b, 0x25, 0xFF00FF00);  // versions 4 on: see the second encryption word (0: none)
  b[0x29] = static_cast<char>(kChinaSortOrder);
  b[0x39] = 12;  // version 7
  putLe16(b, 0x3A, h.fileBlocks);
  putLe32(b, 0x49, static_cast<uint32_t>(h.autoIncrement));
  // The part versions 4 and later add: the version again, the highest field number, the code page.
  putLe16(b, 0x58, 0x010C);
  putLe16(b, 0x5A, 0x010C);
  putLe16(b, 0x64, n + 1);
  putLe16(b, 0x68, n);
  putLe16(b, 0x6A, h.codePage);

  uint32_t at = kFieldsAt;
  for (const Field& f : h.fields) {
    b[at++] = static_cast<char>(f.type);
    b[at++] = static_cast<char>(f.type == kBcd ? f.decimals : f.size);
  }
  at += 4 + n * 4;  // the table name pointer and the field name pointers: memory addresses
  b.replace(at, std::min<size_t>(h.tableName.size(), kTableNameLength - 1), h.tableName, 0,
            kTableNameLength - 1);
  at += kTableNameLength;
  for (const Field& f : h.fields) {
    b.replace(at, f.name.size(), f.name);
    at += static_cast<uint32_t>(f.name.size()) + 1;
  }
  for (uint32_t i = 0; i < n; ++i, at += 2) putLe16(b, at, i + 1);
  b.replace(at, sizeof kChinaSortOrderName - 1, kChinaSortOrderName);
  return b;
}

}  // namespace tdb::px
