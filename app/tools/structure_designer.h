#pragma once

#include <QDialog>
#include <functional>
#include <vector>

#include "app/common/table_ref.h"
#include "engine/field_defs.h"
#include "engine/table_type.h"

class QListWidget;
class QProgressBar;
class QPushButton;

namespace torvanel {

class FieldGrid;
class IndexPanel;
class WindowEngine;

// TForm03, the structure designer: defines the fields and indexes of a new table, or changes those
// of a table window's table and carries its records over. Stays on top of the main window, over
// whose middle it opens. Its tag says what it designs: 0 a new table, n the table of window slot
// n-1.
class TForm03 : public QDialog {
  Q_OBJECT
 public:
  // `dbfType` gives the type new .DBF tables are made as.
  TForm03(QWidget* mainWindow, WindowEngine& engine, std::function<tdb::TableType()> dbfType);

  // Opens on an empty structure for the new table `ref`, without blocking.
  void designNew(const TableRef& ref);
  // Opens, modal, on the structure of the table of window `slot`; returns when it closes.
  void designWindow(int slot);
  int tag() const { return tag_; }

  FieldGrid* grid() const { return grid_; }
  QListWidget* indexList() const { return indexList_; }
  IndexPanel* indexPanel() const { return panel_; }
  QProgressBar* progressBar() const { return progress_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void start(const QString& caption, const tdb::FieldDefs& fields, const tdb::IndexDefs& indexes);
  void placeOverMain();
  void showIndexList();
  void openIndexPanel(int chosen);  // -1 to define a new index
  void indexPanelConfirmed();
  void closeIndexPanel();
  void confirm();
  bool createNew(const tdb::FieldDefs& fields, const tdb::IndexDefs& indexes);
  void showProgress(long done, long total);

  WindowEngine& engine_;
  std::function<tdb::TableType()> dbfType_;
  int tag_ = 0;
  TableRef newTable_;
  std::vector<tdb::IndexDef> indexes_;
  int chosenIndex_ = -1;  // the index the panel changes, -1 while it defines one

  FieldGrid* grid_ = nullptr;
  QListWidget* indexList_ = nullptr;
  QPushButton* defineIndex_ = nullptr;
  QPushButton* changeIndex_ = nullptr;
  IndexPanel* panel_ = nullptr;
  QProgressBar* progress_ = nullptr;
};

}  // namespace torvanel
