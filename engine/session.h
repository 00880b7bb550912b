#pragma once

#include <string>

#include "engine/aliases.h"

namespace tdb {

// The process-wide engine settings: where the alias file is. Tables resolve their database
// names through it.
class Session {
 public:
  // Reads the alias file at `path` (see AliasFile); a missing file means no aliases.
  static void setAliasFile(const std::string& path);
  static const AliasFile& aliases();

  // The folder of a database name: a name ending in '/' is a folder already; anything else must
  // be an alias. An empty name is the current folder. Throws EngineError for an unknown alias.
  static std::string folderOf(const std::string& databaseName);
};

}  // namespace tdb
