#pragma once

#include <string>
#include <vector>

namespace tdb {

// A named database: a folder of table files.
struct Alias {
  std::string name;    // GBK, as the alias file holds it
  std::string folder;  // a path as the file system takes it (UTF-8), absolute, ends with '/'
};

// The alias file: GBK text, one alias a line, "NAME=folder". A relative folder is taken relative
// to the alias file's own folder, so a program folder can be moved whole. Blank lines and lines
// starting with ';' or '#' are ignored. A missing file means no aliases; a line without '=' or
// with an empty name fails with EngineError naming the file and the line.
class AliasFile {
 public:
  // The alias file's name inside a program folder.
  static constexpr const char* kFileName = "tdbalias.cfg";

  explicit AliasFile(std::string path);

  // The aliases in file order. Names compare without regard to ASCII case; the first of two
  // equal names wins.
  const std::vector<Alias>& aliases() const { return aliases_; }

  // The alias of that name (ASCII case ignored), or nullptr.
  const Alias* find(const std::string& name) const;

  // The driver behind an alias: "STANDARD", a folder of table files. Throws for an unknown name.
  std::string driverName(const std::string& name) const;

 private:
  std::string path_;
  std::vector<Alias> aliases_;
};

// The table files of a folder, with their extensions, in name order: every .DBF, .DB and .TXT file
// (extension compared without regard to case). Memo and index files are not tables and are left
// out. Throws EngineError when the folder cannot be read.
std::vector<std::string> listTables(const std::string& folder);

}  // namespace tdb
