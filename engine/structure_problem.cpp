// What a table format can hold, asked before anything is written: the drivers' own designs of a
// new table (the header, schema or index files it would write), which their create() uses too,
// plus the rules on names that hold for every format.

#include "engine/dbf/dbf_storage.h"
#include "engine/drivers.h"
#include "engine/engine_error.h"
#include "engine/gbk_codec.h"
#include "engine/paradox/paradox_storage.h"
#include "engine/text/schema_file.h"

namespace tdb::drivers {

namespace {

// A name the engine can store and show again as it was given: GBK characters and no blanks at its
// end (formats pad names with blanks, so they would be lost). Control characters pass: tables
// other programs wrote hold them, and a copy keeps their names.
std::string nameProblem(const std::string& name, const std::string& what) {
  if (name.empty()) return what + "没有名字";
  const std::string shown = what + "[" + shownText(name) + "]";
  // Files end a name at its first NUL byte.
  if (name.find('\0') != std::string::npos) return shown + "的名字含有NUL字符";
  if (utf8ToGbk(gbkToUtf8(name)) != name) return shown + "的名字不是GBK文字";
  if (name.back() == ' ') return shown + "的名字末尾有空格";
  return "";
}

}  // namespace

std::string structureProblem(const std::string& path, TableType type, const FieldDefs& fields,
                             const IndexDefs& indexes) {
  for (int i = 0; i < fields.count(); ++i) {
    const FieldDef& f = fields[i];
    if (std::string problem = nameProblem(f.name, "第" + std::to_string(i + 1) + "个字段");
        !problem.empty())
      return problem;
    // Names are found without regard to case, so two that differ only in case are one name.
    if (fields.indexOf(f.name) != i) return "字段[" + shownText(f.name) + "]重复(不分大小写)";
  }
  for (const IndexDef& def : indexes)
    if (!def.name.empty())
      if (std::string problem = nameProblem(def.name, "索引"); !problem.empty()) return problem;
  try {
    switch (resolve(type, path)) {
      case TableType::ttParadox: {
        std::vector<px::SecondaryIndex> secondary;
        px::ParadoxStorage::design(path, fields, indexes, secondary);
        break;
      }
      case TableType::ttASCII:
        if (indexes.count() > 0) return "数据表[" + path + "]: 文本表没有索引";
        text::designSchema("", fields, path);
        break;
      default:
        dbf::DbfStorage::design(fields, resolve(type, path), indexes);
    }
  } catch (const EngineError& e) {
    return e.what();
  }
  return "";
}

}  // namespace tdb::drivers
