#pragma once

#include <QFrame>
#include <functional>

#include "app/common/table_ref.h"
#include "app/projects/project_definition.h"

class QLineEdit;
class QListWidget;
class QTabBar;
class QTableWidget;

namespace torvanel {

class PromptPanel;

// The designer's page overlay: a tab per display page over the current page's grid ("序号",
// "字段名称", "显示名称", "输入时用于提示的数据表及字段"), the page's name, the master fields not
// on the page yet, and the buttons that move fields on, off and along the page, add, insert and
// delete pages and choose a field's prompt source. Only "显示名称" takes typing, and only while
// the page has fields.
class PageEditor : public QFrame {
  Q_OBJECT
 public:
  explicit PageEditor(QWidget* parent);

  using FieldReader = std::function<QStringList(const TableRef&)>;
  // Where the editor reads field names: the master's each time a page is refreshed, an
  // auxiliary table's for the prompt panel. A failed read reports itself and gives no names.
  void setSources(const TableRef& master, FieldReader readFields);
  // Which auxiliary tables offer prompts: asked each time the prompt panel opens.
  void setAuxiliaries(std::function<QList<TableRef>()> auxiliaries) {
    auxiliaries_ = std::move(auxiliaries);
  }

  void load(QList<DisplayPage> pages);
  const QList<DisplayPage>& pages() const { return pages_; }
  // Shows the editor on its first page.
  void open();

  QTabBar* tabs() const { return tabs_; }
  QTableWidget* grid() const { return grid_; }
  QLineEdit* pageName() const { return pageName_; }
  QListWidget* fieldList() const { return fields_; }
  PromptPanel* promptPanel() const { return prompt_; }

 private:
  DisplayPage& page() { return pages_[current_]; }
  bool hasFields() const;
  void showPage(int index);
  void refresh();
  void showGrid();
  void showTabs();
  // Into the first row when the page has no fields yet, else a new last row.
  void addField(const QString& field, bool blankIsEmpty);
  void addSelected();
  void addAll();
  void removeCurrent();
  void removeAll();
  void move(int by);
  void appendPage();
  void insertPage();
  void deletePage();
  void choosePrompt();
  void displayTyped(int row, int column);

  TableRef master_;
  FieldReader readFields_;
  std::function<QList<TableRef>()> auxiliaries_;
  QList<DisplayPage> pages_;
  int current_ = 0;
  bool showing_ = false;  // the grid is being filled, not typed into

  QTabBar* tabs_ = nullptr;
  QTableWidget* grid_ = nullptr;
  QLineEdit* pageName_ = nullptr;
  QListWidget* fields_ = nullptr;
  PromptPanel* prompt_ = nullptr;
};

}  // namespace torvanel
