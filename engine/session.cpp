#include "engine/session.h"

#include <memory>

#include "engine/engine_error.h"
#include "engine/gbk_codec.h"

namespace tdb {

namespace {
std::unique_ptr<AliasFile>& current() {
  static std::unique_ptr<AliasFile> file = std::make_unique<AliasFile>("");
  return file;
}
}  // namespace

void Session::setAliasFile(const std::string& path) {
  current() = std::make_unique<AliasFile>(path);
}

const AliasFile& Session::aliases() { return *current(); }

std::string Session::folderOf(const std::string& databaseName) {
  if (databaseName.empty()) return "";
  if (databaseName.back() == '/') return databaseName;
  const Alias* alias = current()->find(databaseName);
  if (!alias) throw EngineError("数据库别名[" + gbkToUtf8(databaseName) + "]不存在");
  return alias->folder;
}

}  // namespace tdb
