#include "engine/companion_files.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "engine/engine_error.h"

namespace tdb::companions {

namespace fs = std::filesystem;

namespace {

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

std::string upperAscii(std::string s) {
  for (char& c : s) c = upper(c);
  return s;
}

bool sameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return upper(x) == upper(y); });
}

bool hexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

// .Xnn/.Ynn by field number, .XGn/.YGn by name.
bool paradoxSecondary(const std::string& ext) {
  if (ext.size() != 4 || (ext[1] != 'X' && ext[1] != 'Y')) return false;
  if (ext[2] == 'G') return (ext[3] >= '0' && ext[3] <= '9') || (ext[3] >= 'A' && ext[3] <= 'Z');
  return hexDigit(ext[2]) && hexDigit(ext[3]);
}

const char* tableExtension(Family family) {
  if (family == Family::Paradox) return ".DB";
  return family == Family::Text ? ".TXT" : ".DBF";
}

// A table path split where its companions' names differ from it.
struct Name {
  std::string folder;  // as given, "" for the current folder
  std::string stem;
  std::string ext;  // with its dot, may be empty
};

Name split(const std::string& tablePath) {
  const fs::path p(tablePath);
  return {p.parent_path().string(), p.stem().string(), p.extension().string()};
}

std::string folderToList(const Name& n) { return n.folder.empty() ? "." : n.folder; }

std::string join(const Name& n, const std::string& file) {
  return n.folder.empty() ? file : (fs::path(n.folder) / file).string();
}

// The names of the regular files in a folder whose stem is `stem` in any case.
std::vector<std::string> namesWithStem(const Name& n) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folderToList(n).c_str());
  if (!dir) {
    if (errno == ENOENT) return names;
    throw EngineError("文件夹[" + folderToList(n) + "]无法列出: " + std::strerror(errno));
  }
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    const fs::path p(name);
    if (!sameIgnoringCase(p.stem().string(), n.stem)) continue;
    struct stat st {};
    if (::stat(join(n, name).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    names.push_back(name);
  }
  ::closedir(dir);
  return names;
}

bool lowerCaseExtension(const std::string& ext) {
  return ext.size() > 1 && ext[1] >= 'a' && ext[1] <= 'z';
}

std::string inCaseOf(const std::string& upperExt, const std::string& tableExt) {
  std::string ext = upperExt;
  if (lowerCaseExtension(tableExt))
    for (char& c : ext)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return ext;
}

// The family's companion extension a file name has, in upper case; empty for other names.
std::string companionExtension(const std::string& name, Family family) {
  const std::string ext = upperAscii(fs::path(name).extension().string());
  return isCompanionExtension(family, ext) ? ext : std::string();
}

}  // namespace

Family familyOf(TableType resolved) {
  if (resolved == TableType::ttParadox) return Family::Paradox;
  return resolved == TableType::ttASCII ? Family::Text : Family::Xbase;
}

bool isCompanionExtension(Family family, const std::string& upperExt) {
  switch (family) {
    case Family::Xbase:
      return upperExt == ".DBT" || upperExt == ".FPT" || upperExt == ".MDX" || upperExt == ".CDX";
    case Family::Paradox:
      return upperExt == ".MB" || upperExt == ".PX" || paradoxSecondary(upperExt);
    case Family::Text:
      return upperExt == ".SCH";
  }
  return false;
}

std::vector<std::string> beside(const std::string& tablePath,
                                const std::function<bool(const std::string&)>& wanted) {
  const Name table = split(tablePath);
  std::vector<std::string> names;
  for (std::string& name : namesWithStem(table))
    if (wanted(upperAscii(fs::path(name).extension().string()))) names.push_back(std::move(name));
  // How far a name is from the one the table would give it: 0 is the table's own spelling.
  auto distance = [&](const std::string& name) {
    const fs::path p(name);
    const std::string ext = p.extension().string();
    return (p.stem().string() == table.stem ? 0 : 2) +
           (ext == inCaseOf(upperAscii(ext), table.ext) ? 0 : 1);
  };
  std::sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) {
    const int da = distance(a), db = distance(b);
    return da != db ? da < db : a < b;
  });
  for (std::string& name : names) name = join(table, name);
  return names;
}

std::string find(const std::string& tablePath, const std::string& upperExt) {
  const std::vector<std::string> found =
      beside(tablePath, [&](const std::string& ext) { return ext == upperExt; });
  return found.empty() ? std::string() : found.front();
}

std::string pathFor(const std::string& tablePath, const std::string& upperExt) {
  std::string found = find(tablePath, upperExt);
  if (!found.empty()) return found;
  const Name table = split(tablePath);
  return join(table, table.stem + inCaseOf(upperExt, table.ext));
}

std::vector<std::string> all(const std::string& tablePath, Family family) {
  std::vector<std::string> found =
      beside(tablePath, [&](const std::string& ext) { return isCompanionExtension(family, ext); });
  std::sort(found.begin(), found.end());
  return found;
}

std::vector<std::string> sharers(const std::string& tablePath, Family family) {
  const Name table = split(tablePath);
  const std::string own = fs::path(tablePath).filename().string();
  std::vector<std::string> others;
  for (const std::string& name : namesWithStem(table)) {
    if (name == own) continue;
    if (upperAscii(fs::path(name).extension().string()) == tableExtension(family))
      others.push_back(join(table, name));
  }
  std::sort(others.begin(), others.end());
  return others;
}

void refuseShared(const std::string& tablePath, Family family, const std::string& action) {
  const std::vector<std::string> others = sharers(tablePath, family);
  if (others.empty()) return;
  // The companion to name: one that exists already, else the first the table would make.
  std::vector<std::string> existing = all(tablePath, family);
  const Name table = split(tablePath);
  const std::string shown = !existing.empty() ? fs::path(existing.front()).filename().string()
                            : family == Family::Paradox ? table.stem + inCaseOf(".PX", table.ext)
                            : family == Family::Text    ? table.stem + inCaseOf(".SCH", table.ext)
                                                        : table.stem + inCaseOf(".DBT", table.ext);
  const char* what = family == Family::Text ? "结构文件" : "备注或索引文件";
  throw EngineError("数据表[" + tablePath + "]不能" + action + ": 它的" + what + "[" + shown +
                    "]也属于同一文件夹中的数据表[" + fs::path(others.front()).filename().string() +
                    "]");
}

bool belongsTo(const std::string& name, const std::string& tablePath, Family family) {
  const std::string own = fs::path(tablePath).filename().string();
  if (name == own || name.starts_with(own + ".tdb-")) return true;
  const fs::path p(name);
  return sameIgnoringCase(p.stem().string(), split(tablePath).stem) &&
         !companionExtension(name, family).empty();
}

}  // namespace tdb::companions
