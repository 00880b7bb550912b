#pragma once

#include <QStringList>
#include <string>

#include "app/shell/main_window.h"
#include "app/windows/table_window.h"
#include "app/windows/window_engine.h"
#include "tests/engine/temp_dir.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_folder.h"
#include "tests/support/user_actions.h"

namespace torvanel::test {

// The workbench for window tests: the main window with its dialogs and window engine on a scratch
// program folder, shown offscreen and active, the scripted dialogs double installed, a folder for
// tables, and a user acting on it.
struct Workbench {
  ScriptedDialogs dialogs;
  TempFolder program;
  tdb::test::TempDir data;
  TForm0 main{program.path()};
  WindowEngine* engine = nullptr;
  User user{main};

  Workbench();

  TableRef ref(const char* table) const;
  // Makes `table` with `rows` records as tdb::test::makeSample does, opens it in a window and
  // gives the user who acts on it.
  User& openSample(const char* table, int rows);
  void open(const char* table) { engine->viewtable(ref(table)); }
  // The sample table s.dbf of `rows` records (tests/engine/table_fixture.h) made and opened, for
  // the user to act on, ordered by its index BYNAME on NAME when `byName`; editSample enters the
  // edit state from the menu too.
  User& sample(int rows, bool byName = false);
  User& editSample(int rows, bool byName = false);
  // Adds the index BYNAME on NAME to a table of the data folder.
  void indexByName(const char* table);
  WindowSlot& slot(int n) { return engine->registry()[n]; }
  TForm11& window(int n) { return *slot(n).window; }
  tdb::Table& table() { return window(engine->activeSlot()).table(); }
  QStringList listEntries() const;
  // As the user does it: applies `expression` as the active window's query, typed into the query
  // builder that "查询" opens; orders the active window by `entry` of "选择索引文件".
  void query(const QString& expression);
  void chooseIndex(const QString& entry);
  // `field` (the text the engine shows) of every visible record of `table`, each followed by a
  // blank, read by a cursor of its own: what the file holds.
  std::string stored(const char* table, const char* field = "NAME") const;
  // In the active window, brought into edit state and the single-record view,
  // `field` of the current record becomes `text`: typed over what it held, and Enter takes it
  // into the record, which is not stored yet.
  void typeInto(const char* field, const QString& text);
  // Creates `table`, empty, with `fields`.
  void makeTable(const char* table, std::initializer_list<tdb::FieldDef> fields) const;
  // Creates `table` with NAME and CITY, C(8) each, holding `rows` given as "name/city" (GBK in the
  // file), and, when `index` is given, an index of that name on NAME with `options`.
  void makePeople(const char* table, std::initializer_list<const char*> rows,
                  const char* index = nullptr, unsigned options = 0) const;
};

}  // namespace torvanel::test
