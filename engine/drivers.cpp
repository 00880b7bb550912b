#include "engine/drivers.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "engine/dbf/dbf_storage.h"
#include "engine/engine_error.h"
#include "engine/paradox/paradox_storage.h"
#include "engine/table_lock.h"
#include "engine/table_swap.h"
#include "engine/text/text_storage.h"

namespace tdb::drivers {

namespace fs = std::filesystem;

namespace {

std::string upperExtension(const std::string& path) {
  std::string ext = fs::path(path).extension().string();
  for (char& c : ext)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return ext;
}

bool exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

}  // namespace

TableType resolve(TableType type, const std::string& path) {
  if (type != TableType::ttDefault) return type;
  const std::string ext = upperExtension(path);
  if (ext == ".DB") return TableType::ttParadox;
  if (ext == ".TXT") return TableType::ttASCII;
  return TableType::ttDBase;
}

std::unique_ptr<Storage> open(const std::string& path, TableType type, bool exclusive,
                              ProductionIndex::BadTags badTags) {
  const TableType resolved = resolve(type, path);
  if (resolved == TableType::ttParadox) return px::ParadoxStorage::open(path, exclusive);
  if (resolved == TableType::ttASCII) return text::TextStorage::open(path, exclusive);
  return dbf::DbfStorage::open(path, exclusive, resolved, badTags);
}

TableType typeOf(const std::string& path, TableType type) {
  const TableType resolved = resolve(type, path);
  if (resolved != TableType::ttDBase && resolved != TableType::ttFoxPro) return resolved;
  char version = 0;
  try {
    PosixFile(path, PosixFile::Mode::ReadOnly).readExactly(0, &version, 1);
  } catch (const EngineError&) {
    return resolved;
  }
  switch (static_cast<uint8_t>(version)) {
    case 0xF5:  // FoxPro 2 with memos
    case 0x30:  // Visual FoxPro
    case 0x31:
    case 0x32:
      return TableType::ttFoxPro;
    case 0x03:  // dBASE III and FoxPro alike: the companions tell
      if (!companions::find(path, ".CDX").empty() || !companions::find(path, ".FPT").empty())
        return TableType::ttFoxPro;
      if (!companions::find(path, ".MDX").empty()) return TableType::ttDBase;
      return resolved;
    default:
      return TableType::ttDBase;
  }
}

Replacement::Replacement(const std::string& path, TableType type, const FieldDefs& fields,
                         const IndexDefs& indexes)
    : path_(path), type_(type), family_(companions::familyOf(resolve(type, path))) {
  const TableType resolved = resolve(type, path);
  if (const std::string problem = structureProblem(path, type, fields, indexes); !problem.empty())
    throw EngineError(problem);
  companions::refuseShared(path, family_, "建立");
  lock_ = lockForReplace(path, family_, "重建");
  swap_ = std::make_unique<TableSwap>(path, family_);
  const std::string& built = swap_->builtPath();
  if (resolved == TableType::ttParadox)
    px::ParadoxStorage::create(built, fields, indexes);
  else if (resolved == TableType::ttASCII)
    text::TextStorage::create(built, fields);
  else
    dbf::DbfStorage::create(built, fields, resolved, indexes);
}

Replacement::~Replacement() {
  storage_.reset();
  swap_.reset();
  releaseLock(lock_, path_, family_);
}

Storage& Replacement::storage() {
  if (!storage_) storage_ = open(swap_->builtPath(), type_, true);
  return *storage_;
}

void Replacement::commit() {
  if (storage_) {
    storage_->flush();
    storage_.reset();
  }
  // The old table's files that no new one replaces: they would be taken for the new table's.
  const fs::path built = fs::path(swap_->builtPath()).parent_path();
  std::vector<std::string> obsolete;
  std::vector<std::string> old = companions::all(path_, family_);
  old.push_back(ProductionIndex::markerFor(path_));
  for (const std::string& file : old)
    if (exists(file) && !exists((built / fs::path(file).filename()).string()))
      obsolete.push_back(file);
  std::unique_ptr<PosixFile> locked = swap_->commit(obsolete);
  swap_.reset();
  // The new table is in place: it may be opened, by the caller first of all.
  locked.reset();
  releaseLock(lock_, path_, family_);
}

void create(const std::string& path, TableType type, const FieldDefs& fields,
            const IndexDefs& indexes) {
  Replacement(path, type, fields, indexes).commit();
}

void remove(const std::string& path, TableType type) {
  const companions::Family family = companions::familyOf(resolve(type, path));
  std::unique_ptr<PosixFile> lock = lockForReplace(path, family, "删除");
  if (!exists(path)) throw EngineError("数据表[" + path + "]不存在");
  std::vector<std::string> doomed;
  if (companions::sharers(path, family).empty()) doomed = companions::all(path, family);
  doomed.push_back(ProductionIndex::markerFor(path));
  doomed.push_back(path);
  for (const std::string& file : doomed) {
    if (::unlink(file.c_str()) != 0 && errno != ENOENT)
      throw EngineError("文件[" + file + "]无法删除: " + std::strerror(errno));
  }
  syncFolderOf(path);
  releaseLock(lock, path, family);
}

}  // namespace tdb::drivers
