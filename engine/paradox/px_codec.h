#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/paradox/px_header.h"
#include "engine/value.h"

namespace tdb::px {

// Field values to and from the bytes of a record (`field` points at the field's first byte).
//
// Paradox stores numbers big-endian with the sign bit flipped, so that the bytes sort as the
// numbers do, and a field of all zero bytes is null. Hence the one value each integer type cannot
// hold: the most negative one, whose bytes would read back as null.
//
// Values as the engine holds them: Text for alpha (NUL padding dropped) and text memos, Integer
// for short, long and autoincrement, Double for number, money and BCD, DateTime day numbers
// since 1899-12-30 for date, time (fraction of a day) and timestamp, Boolean for logical, Bytes
// for bytes fields and binary memos.

// Decodes a field that is not a blob. Throws EngineError naming `path` and the field when the
// bytes hold no value of the type (a date beyond the engine's years, a BCD nibble above 9).
Value decodeField(const Field& f, const char* field, const std::string& path);

// decodeField() into `out`, reusing the text storage `out` already holds.
void decodeFieldInto(const Field& f, const char* field, const std::string& path, Value& out);

// The text of an alpha field: up to its first NUL, empty for null.
std::string_view alphaText(const Field& f, const char* field);

// Encodes a value already converted to the field's engine type (convert.h); null writes zeros.
// Throws EngineError naming the field when the value does not fit (text too long, a number
// beyond the type's range or digits), leaving the bytes unchanged.
void encodeField(const Field& f, char* field, const Value& value);

// The pointer part of a blob field: the last 10 bytes, after the leader that repeats the
// blob's first bytes. A blob no longer than the leader lives in the record alone.
struct BlobRef {
  uint32_t offset = 0;  // of its block in the .MB file, a multiple of 256 (in practice 4096)
  uint8_t index = 0;    // slot in a suballocated block, 0xFF for a block of its own
  uint32_t length = 0;  // bytes of the blob, 0 for null
  uint16_t modification = 0;
  std::string leader;  // the record's copy of the blob's first bytes

  bool isNull() const { return length == 0; }
  bool inRecord() const { return length > 0 && length <= leader.size(); }
};

BlobRef decodeBlobRef(const Field& f, const char* field);
// Writes the pointer and the leader (the first bytes of `data`, zero-padded).
void encodeBlobRef(const Field& f, char* field, const BlobRef& ref, const std::string& data);

// The value of a blob's bytes for the field's type: Text for text memos, Bytes for the rest.
Value blobValue(const Field& f, std::string data);

// Paradox day numbers count 1 January 0001 as day 1; the engine's count 1899-12-30 as day 0.
inline constexpr int64_t kParadoxDayOfEngineZero = 693594;

}  // namespace tdb::px
