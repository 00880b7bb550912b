#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/field_defs.h"

namespace tdb::px {

// The Paradox field types, by the type byte of the header.
enum TypeByte : uint8_t {
  kAlpha = 0x01,
  kDate = 0x02,
  kShort = 0x03,
  kLong = 0x04,
  kMoney = 0x05,
  kNumber = 0x06,
  kLogical = 0x09,
  kMemo = 0x0C,
  kBlob = 0x0D,
  kFmtMemo = 0x0E,
  kOle = 0x0F,
  kGraphic = 0x10,
  kTime = 0x14,
  kTimestamp = 0x15,
  kAutoInc = 0x16,
  kBcd = 0x17,
  kBytes = 0x18,
};

// True for the types whose values live (in part) in the .MB file.
inline bool isBlobType(uint8_t type) {
  return type == kMemo || type == kBlob || type == kFmtMemo || type == kOle || type == kGraphic;
}

// One field as the file describes it, with the engine's view of it in `def`.
struct Field {
  std::string name;  // GBK (the table's code page; the engine assumes 936)
  uint8_t type = kAlpha;
  uint32_t size = 0;      // bytes in the record
  uint32_t decimals = 0;  // BCD: digits after the decimal point (0 to 32)
  uint32_t offset = 0;    // within the record
  FieldDef def;
};

// The header of a .DB file. Invariants after parseHeader(): the fields fill the record exactly,
// each has the size its type demands, the names and the table name lie inside the header, the
// header lies inside the file, and the table is not encrypted.
struct Header {
  uint32_t recordSize = 0;
  uint32_t headerSize = 0;
  uint8_t fileType = 2;      // 0 keyed table, 2 table without a primary key
  uint8_t maxTableSize = 2;  // block size in KiB
  uint32_t blockSize = 2048;
  uint32_t recordCount = 0;
  uint32_t nextBlock = 0;   // blocks in use
  uint32_t fileBlocks = 0;  // blocks in the file
  uint32_t firstBlock = 0;  // first block of the chain, 0 when there is none
  uint32_t lastBlock = 0;
  uint32_t keyFieldCount = 0;  // the first that many fields form the primary key
  uint8_t sortOrder = 0;
  uint8_t versionByte = 0;  // the raw byte: 3 (3.0), 4 (3.5), 5-9 (4.x), 10-11 (5.x), 12 (7.x)
  int version = 0;          // 30, 35, 40, 50 or 70
  uint32_t codePage = 0;    // DOS code page, 0 for versions before 4
  int32_t autoIncrement = 0;
  std::string tableName;  // GBK
  std::vector<Field> fields;

  bool keyed() const { return fileType == 0; }
  bool hasBlobFields() const;
  // Records one data block holds.
  uint32_t recordsPerBlock() const { return (blockSize - kBlockHeaderSize) / recordSize; }
  // File offset of data block `n` (1-based).
  uint64_t blockOffset(uint32_t n) const {
    return headerSize + static_cast<uint64_t>(n - 1) * blockSize;
  }

  static constexpr uint32_t kBlockHeaderSize = 6;
};

// Bytes needed to learn the header size (the fixed part every version has).
inline constexpr uint32_t kFixedHeaderSize = 0x58;

// The header size that the fixed part announces (validated by parseHeader).
uint32_t announcedHeaderSize(const std::string& fixedPart);

// The header bytes for `h`, laid out as version 7 writes them whatever h.versionByte says: the
// fixed part, the part versions 4 and later add (with h.codePage), the field list, the table name
// in its 261-byte slot, the field names, the field numbers and the sort order name. Alpha, blob
// and bytes fields take their size from `size`, BCD fields their digits after the point from
// `decimals`. headerSize is h.headerSize when that is large enough, else the smallest multiple of
// 2048 that holds everything. The bytes are exactly headerSize long; h's counts and block links
// are written as they stand.
std::string encodeHeader(const Header& h);

// Parses and validates a header. `bytes` holds at least the first headerSize bytes of the file
// (the caller reads the fixed part first). Throws EngineError naming `path` and the defect.
Header parseHeader(const std::string& bytes, uint64_t fileSize, const std::string& path);

}  // namespace tdb::px
