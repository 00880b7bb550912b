#pragma once

#include <cstdint>
#include <string_view>

#include "engine/dbf/dbf_header.h"
#include "engine/value.h"

namespace tdb::dbf {

// Field values to and from the bytes of a record (`record` points at the delete flag). Blank
// fields read as null. Memo fields are not decoded here: their record bytes hold a block number
// (memoBlock / setMemoBlock) and the driver fetches the memo.

Value decodeField(const Header& header, const Field& field, const char* record);
// The same into `out`, reusing the text storage it holds (whole-record scans).
void decodeFieldInto(const Header& header, const Field& field, const char* record, Value& out);

// Writes a value already converted to the field's engine type (convert.h). Throws EngineError
// naming the field when the value does not fit its width (the record is then unchanged).
void encodeField(const Header& header, const Field& field, char* record, const Value& value);

// Copies a number's stored text, exactly the field's length, into an N or F field unchanged.
void putNumberText(const Header& header, const Field& field, char* record, std::string_view text);

// The memo block a memo field points at; 0 when it has none.
uint32_t memoBlock(const Field& field, const char* record);
void setMemoBlock(const Header& header, const Field& field, char* record, uint32_t block);

}  // namespace tdb::dbf
