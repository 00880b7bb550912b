#include "engine/drivers.h"

#include <filesystem>

#include "engine/dbf/dbf_storage.h"
#include "engine/engine_error.h"
#include "engine/paradox/paradox_storage.h"
#include "engine/text/text_storage.h"

namespace tdb::drivers {

namespace {

std::string upperExtension(const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  for (char& c : ext)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return ext;
}

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

void create(const std::string& path, TableType type, const FieldDefs& fields,
            const IndexDefs& indexes) {
  const TableType resolved = resolve(type, path);
  if (resolved == TableType::ttParadox) {
    px::ParadoxStorage::create(path, fields, indexes);
    return;
  }
  if (resolved == TableType::ttASCII) {
    if (indexes.count() > 0) throw EngineError("数据表[" + path + "]: 文本表没有索引");
    text::TextStorage::create(path, fields);
    return;
  }
  dbf::DbfStorage::create(path, fields, resolved, indexes);
}

void remove(const std::string& path, TableType type) {
  const TableType resolved = resolve(type, path);
  if (resolved == TableType::ttParadox) {
    px::ParadoxStorage::remove(path);
  } else if (resolved == TableType::ttASCII) {
    text::TextStorage::remove(path);
  } else {
    dbf::DbfStorage::remove(path);
  }
}

}  // namespace tdb::drivers
