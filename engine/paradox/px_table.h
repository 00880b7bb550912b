#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/field_defs.h"
#include "engine/paradox/mb_file.h"
#include "engine/paradox/px_blocks.h"
#include "engine/paradox/px_header.h"
#include "engine/posix_file.h"
#include "engine/value.h"

namespace tdb::px {

// A Paradox table (.DB, with its .MB blob file when there is one) opened for reading: the
// structure, the records in table order, and each field's value. Every defect found throws
// EngineError naming the file.
class ParadoxTable {
 public:
  // Opens `path` and walks its data block chain. The blob file beside it (same name, extension
  // .MB or .mb) is opened when the table has blob fields and the file exists; a missing one is
  // reported only when a value needs it.
  explicit ParadoxTable(const std::string& path);

  const std::string& path() const { return file_.path(); }
  const Header& header() const { return header_; }
  const FieldDefs& fieldDefs() const { return defs_; }
  uint32_t recordCount() const { return chain_.recordCount(); }
  const BlockChain& chain() const { return chain_; }
  // The blob file's path, empty when there is none.
  const std::string& blobPath() const { return blobPath_; }

  // The bytes of record `recno` (1 to recordCount()).
  std::string readRecord(uint32_t recno) const;
  // The value of field `field` (0-based) in a record's bytes; blobs are read from the .MB file.
  Value value(const std::string& record, int field) const;

 private:
  PosixFile file_;
  Header header_;
  BlockChain chain_;
  FieldDefs defs_;
  std::string blobPath_;
  std::unique_ptr<MbFile> blobs_;
};

// The blob file that belongs to table `dbPath`: the same name with extension .MB or .mb,
// whichever exists (empty when neither does).
std::string blobFileOf(const std::string& dbPath);

}  // namespace tdb::px
