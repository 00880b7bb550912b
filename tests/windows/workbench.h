#pragma once

#include <QStringList>
#include <string>

#include "app/shell/main_window.h"
#include "app/windows/table_window.h"
#include "app/windows/window_engine.h"
#include "tests/engine/temp_dir.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_folder.h"

namespace torvanel::test {

// The workbench for window tests: the main window with its dialogs and window engine on a scratch
// program folder, shown offscreen, the scripted dialogs double installed, and a folder for tables.
struct Workbench {
  ScriptedDialogs dialogs;
  TempFolder program;
  tdb::test::TempDir data;
  TForm0 main{program.path()};
  WindowEngine* engine = nullptr;

  Workbench();

  TableRef ref(const char* table) const;
  void open(const char* table) { engine->viewtable(ref(table)); }
  WindowSlot& slot(int n) { return engine->registry()[n]; }
  TForm11& window(int n) { return *slot(n).window; }
  tdb::Table& table() { return window(engine->activeSlot()).table(); }
  QStringList listEntries() const;
  // The NAME of every visible record of `table` as its file holds them, each followed by a blank.
  std::string stored(const char* table) const;
};

}  // namespace torvanel::test
