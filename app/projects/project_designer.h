#pragma once

#include <QDialog>

#include "app/common/table_ref.h"
#include "app/projects/project_definition.h"
#include "app/projects/project_list_file.h"
#include "app/projects/table_structure.h"

class QLabel;
class QLineEdit;
class QListWidget;

namespace torvanel {

class AuxiliaryGrid;
class FormulaEditor;
class PageEditor;
class RelationPanel;

// TForm04, the project designer: a modal dialog over the main window that edits one project's
// name, master table, auxiliary tables and relations, field formulas and display pages. It holds
// the one ProjectDefinition that is edited or opened; the formula and page editors, the relation
// panel and the lookup index list are overlays covering the auxiliary grid.
//
// Tables come through the table chooser: the designer asks for it with chooseTable, and whoever
// connects that shows the chooser (modal above the waiting designer) and hands its choice back
// through masterChosen and auxiliaryChosen.
class TForm04 : public QDialog {
  Q_OBJECT
 public:
  TForm04(QWidget* mainWindow, QString programFolder, DbfTypeSource dbfType);

  // Opens, modal, on the project `name` of `master` (both empty for a new one) and returns when
  // it closes. "确认" saves into `list` as `mode` says.
  void design(ProjectList& list, DesignerMode mode, const QString& name, const QString& master);

  // Loads the project of `master` into the definition without showing anything, as opening a
  // project does; false when it could not be read (the user was told why).
  bool load(const QString& name, const QString& master);
  const ProjectDefinition& definition() const { return project_; }

  // The table chooser's choice in its master and auxiliary modes.
  void masterChosen(const TableRef& ref);
  void auxiliaryChosen(const TableRef& ref);

  AuxiliaryGrid* auxiliaryGrid() const { return grid_; }
  FormulaEditor* formulaEditor() const { return formulas_; }
  PageEditor* pageEditor() const { return pages_; }
  RelationPanel* relationPanel() const { return relation_; }
  QListWidget* lookupIndexList() const { return lookupList_; }
  QLineEdit* nameEdit() const { return name_; }
  QLabel* masterLabel() const { return master_; }

 signals:
  // The designer closed, saved or not: the menus follow.
  void closed();
  // The table chooser is wanted in the mode of `code`: "zk" for the master, "fk" for the
  // current auxiliary row.
  void chooseTable(const char* code);

 private:
  // Reads the master's project file into the definition and shows it; errors are reported.
  bool setvalue();
  void showProject();
  void collectProject();
  void hideOverlays();
  void confirm();
  void openFormulas();
  void openPages();
  void openRelation();
  void relationConfirmed();
  void openLookupIndexes();
  void lookupIndexChosen(int row);
  // Field names / the structure of a table; an error is reported and gives nothing.
  QStringList fieldsOf(const TableRef& ref) const;
  std::optional<TableStructure> structureOf(const TableRef& ref) const;
  // The auxiliary rows whose table (and, with `withDatabase`, database) is set.
  QList<TableRef> auxiliaryTables(bool withDatabase) const;
  TableRef rowTable(int row) const;

  QString programFolder_;
  DbfTypeSource dbfType_;
  ProjectDefinition project_;
  ProjectList* list_ = nullptr;
  int relationRow_ = -1;  // the auxiliary row the relation panel or the index list serves

  QLineEdit* name_ = nullptr;
  QLabel* master_ = nullptr;
  AuxiliaryGrid* grid_ = nullptr;
  FormulaEditor* formulas_ = nullptr;
  PageEditor* pages_ = nullptr;
  RelationPanel* relation_ = nullptr;
  QListWidget* lookupList_ = nullptr;
};

}  // namespace torvanel
