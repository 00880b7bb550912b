#include "tests/tools/designer_user.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "app/shell/table_chooser.h"
#include "app/tools/field_grid.h"
#include "app/tools/index_panel.h"
#include "app/tools/structure_designer.h"

namespace torvanel::test {

TForm03* DesignerUser::designer() const { return w.main.findChild<TForm03*>(); }

FieldGrid* DesignerUser::grid() const { return designer()->grid(); }

void DesignerUser::newTable(const char* name) {
  u.toolbar(QStringLiteral("新建数据表"));
  TForm01& chooser = *w.main.tableChooser();
  u.choose(chooser.databaseList(), TForm01::kFileTables);
  w.dialogs.fileAnswers.push_back(QString::fromStdString(w.data.file(name)));
  u.click(chooser.chooseButton());
  ASSERT_TRUE(designer()->isVisible());
}

void DesignerUser::typeInto(int row, int column, const QString& text) {
  u.clickCell(grid(), row, column);
  u.type(text);
  u.press(Qt::Key_Return);
}

void DesignerUser::field(int row, const QString& name, const char* type, const QString& width) {
  if (row >= grid()->rowCount()) u.cellMenu(grid(), 0, 1, QStringLiteral("增加行"));
  typeInto(row, 1, name);
  u.cellMenu(grid(), row, 2, QString::fromUtf8(type));
  if (!width.isEmpty()) typeInto(row, 3, width);
}

namespace {

void fillPanel(User& u, IndexPanel* panel, const QString& name, const QStringList& fields,
               const QStringList& options) {
  auto* available = panel->findChild<QListWidget*>(QStringLiteral("available"));
  for (const QString& f : fields) {
    u.clickItem(available, f);
    u.button(QStringLiteral(">>"));
  }
  u.replaceText(panel->findChild<QLineEdit*>(QStringLiteral("indexName")), name);
  for (QCheckBox* box : panel->findChildren<QCheckBox*>())
    if (options.contains(box->text())) u.click(box);
  u.button(QStringLiteral(" 确认"));
}

}  // namespace

void DesignerUser::defineIndex(const QString& name, const QStringList& fields,
                               const QStringList& options) {
  u.button(QStringLiteral("定义索引"));
  fillPanel(u, designer()->indexPanel(), name, fields, options);
}

void DesignerUser::changeIndex(const QString& entry, const QString& name,
                               const QStringList& moreFields) {
  u.clickItem(designer()->indexList(), entry);
  u.button(QStringLiteral("修改索引"));
  fillPanel(u, designer()->indexPanel(), name, moreFields, {});
}

void DesignerUser::modify(const std::function<void()>& steps) {
  u.whileModal([steps](QDialog*) { steps(); });
  u.menu(QStringLiteral("修改表结构"));
}

}  // namespace torvanel::test
