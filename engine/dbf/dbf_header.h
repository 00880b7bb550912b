#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/field_defs.h"
#include "engine/table_type.h"

namespace tdb::dbf {

// The xBase dialects the engine reads. The version byte of the header decides.
enum class Flavor { DBase3, DBase4, DBase7, FoxPro2, VisualFoxPro };

// How a memo file is laid out, and so which file extension it has.
enum class MemoKind { None, Dbt3, Dbt4, Fpt };

// One field as the file describes it, with the engine's view of it in `def`.
struct Field {
  std::string name;  // GBK
  char type = 'C';
  uint32_t offset = 0;  // within the record, after the delete flag at 0
  uint32_t length = 0;
  uint8_t decimals = 0;
  uint8_t flags = 0;  // Visual FoxPro field flags
  int nullBit = -1;   // Visual FoxPro: bit of this field in the _NullFlags field, -1 if none
  bool memo = false;  // the value lives in the memo file; the record holds a block number
  FieldDef def;
};

// The table file's header. Invariants after parse(): every field lies inside the record, the
// record length is the delete flag plus the fields, and header + records fit the file.
struct Header {
  uint8_t version = 0x03;
  Flavor flavor = Flavor::DBase3;
  uint8_t year = 0, month = 0, day = 0;  // last update, year since 1900
  uint32_t recordCount = 0;
  // The count bytes 4 to 7 give; more than recordCount when the file was cut short.
  uint32_t declaredCount = 0;
  uint32_t headerLength = 0;
  uint32_t recordLength = 0;
  uint8_t tableFlags = 0;  // byte 28: production index / structural CDX flag, and more
  uint8_t codePage = 0;    // byte 29: the code page mark
  std::vector<Field> fields;
  int nullFlagsOffset = -1;  // Visual FoxPro's hidden _NullFlags field, when present
  uint32_t nullFlagsLength = 0;

  MemoKind memoKind() const;
  bool hasMemoFields() const;
};

// The GBK (code page 936) mark written into byte 29 of the tables the engine creates.
inline constexpr uint8_t kGbkCodePage = 0x7A;

// The widest N or F field the engine reads and creates. dBASE programs make them up to 20 wide;
// map programs write wider ones (N(24,15) for every real number), which must copy as they read.
inline constexpr uint32_t kMaxNumberWidth = 32;

// Fields a created table may have: 1024 in dBASE (the limit of dBASE 5 and later, whose tables
// keep the dBASE III header layout), 255 in FoxPro.
inline constexpr int kMaxDBaseFields = 1024;
inline constexpr int kMaxFoxProFields = 255;

// Bytes needed to learn the full header length (the fixed part).
inline constexpr uint32_t kFixedHeaderSize = 32;

// Parses and validates a header. `bytes` holds at least the first headerLength bytes of the file
// (the caller reads the fixed part first). Throws EngineError naming `path` and the defect. A file
// that ends before the records its header counts parses with the count of whole records it holds
// (declaredCount keeps the header's). A table without fields (a record of the delete flag alone)
// is sound.
Header parseHeader(const std::string& bytes, uint64_t fileSize, const std::string& path);

// The header length that the fixed part of a header announces (validated by parseHeader).
uint32_t announcedHeaderLength(const std::string& fixedPart);

// Lays out a new table of `defs` for `type` (ttDBase or ttFoxPro): picks the version byte, maps
// each engine type to an xBase field, sets the GBK mark and today's date. Throws EngineError for
// a structure the format cannot hold (a type it lacks, a name too long, a record too long).
Header designHeader(const FieldDefs& defs, TableType type);

// The header bytes of `header`, terminator included, exactly headerLength long.
std::string buildHeader(const Header& header);

// Sets the header's last-update date to today.
void stampToday(Header& header);

}  // namespace tdb::dbf
