#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/table_type.h"

// A table's companion files: the files beside it, named by its stem and an extension of their
// own, that hold its memos, blobs, indexes or schema. Tables copied from other systems spell them
// in any letter case (DATA.DBF beside data.fpt), so they are found whatever the case of stem and
// extension. A companion name belongs to one table alone: two tables of one format whose names
// differ only in the case of the stem, or in the extension (CUSTOMER.DBF and CUSTOMER.BAK), would
// share every companion, so nothing is created under such a name.
//
// File names are bytes: only ASCII letters compare without regard to case.
namespace tdb::companions {

// The formats that name their companions alike.
enum class Family {
  Xbase,    // .DBT and .FPT memo files, .MDX and .CDX index files
  Paradox,  // .MB blobs, .PX primary index, .Xnn/.Ynn and .XGn/.YGn secondary indexes
  Text      // .SCH schema
};
Family familyOf(TableType resolved);

// True when `upperExt` (".DBT", ".X0A" ...) names a companion of the family.
bool isCompanionExtension(Family family, const std::string& upperExt);

// The files beside table `tablePath` with its stem (in any case) and an extension `wanted`
// accepts (given in upper case, with its dot). Best first: the stem spelled as the table's, then
// the extension in the case of the table's extension, then name order.
std::vector<std::string> beside(const std::string& tablePath,
                                const std::function<bool(const std::string&)>& wanted);
// The best of the files with extension `upperExt`, or empty when there is none.
std::string find(const std::string& tablePath, const std::string& upperExt);
// find(), or else the name a new one takes: the table's stem and `upperExt` in the case of the
// table's extension.
std::string pathFor(const std::string& tablePath, const std::string& upperExt);
// Every existing companion of the family beside the table.
std::vector<std::string> all(const std::string& tablePath, Family family);

// The other tables of the family in the table's folder that its companion names belong to as
// well: files whose names differ from the table's only in the case of the stem or in the
// extension, and whose extension is the family's table extension (.DBF, .DB, .TXT in any case).
std::vector<std::string> sharers(const std::string& tablePath, Family family);
// Throws EngineError, naming a companion and the other table, when there is such a table. `action`
// is the refused step ("建立", "压缩" ...). Called before anything is written.
void refuseShared(const std::string& tablePath, Family family, const std::string& action);

// True when the file name `name` is one of the table's own: the table file, a companion, or a
// file the engine keeps beside it (the table's name followed by ".tdb-...").
bool belongsTo(const std::string& name, const std::string& tablePath, Family family);

}  // namespace tdb::companions
