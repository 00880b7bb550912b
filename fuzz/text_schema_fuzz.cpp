// Parses the input as a text table's schema file. A schema that parses must write out as a file
// that parses back to the same schema; one that does not must say so with an EngineError whose
// message is valid UTF-8.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/engine_error.h"
#include "engine/text/schema_file.h"
#include "fuzz/utf8_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  tdb::text::Schema schema;
  try {
    schema = tdb::text::parseSchema(bytes, "/fuzz/T.SCH");
  } catch (const tdb::EngineError& e) {
    if (!validUtf8(e.what())) abort();
    return 0;
  }
  if (schema.fields.empty()) abort();
  if (schema.fileType == tdb::text::FileType::Fixed) {
    // Fixed fields never share a byte.
    std::string used(static_cast<size_t>(schema.lineLength()), '\0');
    for (const auto& f : schema.fields)
      for (int i = f.offset; i < f.offset + f.width; ++i)
        if (used[static_cast<size_t>(i)]++) abort();
  }
  const std::string written = tdb::text::formatSchema(schema);
  tdb::text::Schema again;
  try {
    again = tdb::text::parseSchema(written, "/fuzz/T.SCH");
  } catch (const tdb::EngineError&) {
    // Names or a table name the file cannot carry back (a line break, a leading '[' or ';')
    // came from the input itself; anything else is a writer fault.
    for (const auto& f : schema.fields)
      if (f.name.find_first_of("\r\n") != std::string::npos) return 0;
    if (schema.tableName.find_first_of("\r\n]") != std::string::npos) return 0;
    if (schema.charset.find_first_of("\r\n") != std::string::npos) return 0;
    abort();
  }
  if (!(again == schema)) abort();
  return 0;
}
