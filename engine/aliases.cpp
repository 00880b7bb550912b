#include "engine/aliases.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "engine/engine_error.h"
#include "engine/field_defs.h"
#include "engine/gbk_codec.h"

namespace tdb {

namespace fs = std::filesystem;

namespace {

std::string trim(const std::string& s) {
  const char* blanks = " \t\r\n";
  size_t b = s.find_first_not_of(blanks);
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(blanks);
  return s.substr(b, e - b + 1);
}

std::string asFolder(const fs::path& p) {
  std::string s = p.lexically_normal().string();
  if (s.empty() || s.back() != '/') s += '/';
  return s;
}

}  // namespace

AliasFile::AliasFile(std::string path) : path_(std::move(path)) {
  std::ifstream in(path_, std::ios::binary);
  if (!in) {
    if (fs::exists(path_)) throw EngineError("别名文件[" + path_ + "]无法读取");
    return;
  }
  const fs::path base = fs::absolute(fs::path(path_)).parent_path();
  std::string raw;
  int lineNo = 0;
  while (std::getline(in, raw)) {
    ++lineNo;
    std::string line = trim(raw);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    size_t eq = line.find('=');
    std::string name = eq == std::string::npos ? std::string() : trim(line.substr(0, eq));
    if (name.empty()) {
      throw EngineError("别名文件[" + path_ + "]第" + std::to_string(lineNo) +
                        "行不是\"别名=文件夹\"的形式");
    }
    if (find(name)) continue;
    fs::path folder(gbkToUtf8(trim(line.substr(eq + 1))));
    aliases_.push_back({name, asFolder(folder.is_absolute() ? folder : base / folder)});
  }
}

const Alias* AliasFile::find(const std::string& name) const {
  for (const Alias& a : aliases_)
    if (sameName(a.name, name)) return &a;
  return nullptr;
}

std::string AliasFile::driverName(const std::string& name) const {
  if (!find(name))
    throw EngineError("别名[" + gbkToUtf8(name) + "]不存在(别名文件[" + path_ + "])");
  return "STANDARD";
}

std::vector<std::string> listTables(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  if (ec) throw EngineError("文件夹[" + folder + "]无法读取: " + ec.message());
  for (const fs::directory_entry& e : it) {
    if (!e.is_regular_file(ec)) continue;
    std::string ext = e.path().extension().string();
    if (sameName(ext, ".DBF") || sameName(ext, ".DB") || sameName(ext, ".TXT"))
      names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace tdb
