#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/companion_files.h"
#include "engine/posix_file.h"

namespace tdb {

// A table's files rebuilt whole and put in place in one step that a crash cannot leave half done.
// The new files are written in a folder beside the table (TABLE.tdb-build), under their final
// names, since several formats write their own names into them. Once they are complete a marker
// (TABLE.tdb-swap) lists the old files the new ones do not replace; then those go, the new files
// move in, the table file last, and the marker goes. Until the marker exists the old table stands
// untouched; once it exists, whoever next holds the table's exclusive lock finishes the swap.
//
// Everything here runs under the table's exclusive lock (table_lock.h), or where no table exists.
class TableSwap {
 public:
  // Starts an empty build folder for table `tablePath`, removing one a crash left.
  TableSwap(const std::string& tablePath, companions::Family family);
  // Without commit(), the build folder goes and the table stays as it was.
  ~TableSwap();
  TableSwap(const TableSwap&) = delete;
  TableSwap& operator=(const TableSwap&) = delete;

  // Where the new table is written, under the table's own file name.
  const std::string& builtPath() const { return built_; }

  // Moves the new table and its companions into place and removes `obsolete` (old files beside
  // the table that the new ones do not replace). Returns the new table file, locked exclusively
  // before it went into place, where the table's lock lives in the table file (else null), so
  // nobody opens the new table before the swap is finished. Throws EngineError when a step fails;
  // once the marker is written, the next exclusive holder completes the swap.
  std::unique_ptr<PosixFile> commit(const std::vector<std::string>& obsolete);

  // Under the table's exclusive lock: finishes a swap (or an earlier pack) whose marker is there;
  // with `clean`, also removes an unfinished build and files killed writers left (*.tdb-new,
  // pack temporaries). Returns the table file when finishing replaced it, locked as commit()
  // locks it; else null.
  static std::unique_ptr<PosixFile> recover(const std::string& tablePath, companions::Family family,
                                            bool clean);
  // True when a marker says a swap is waiting to be finished.
  static bool pending(const std::string& tablePath);

 private:
  std::string table_, folder_, built_;
  companions::Family family_;
  bool done_ = false;
};

}  // namespace tdb
