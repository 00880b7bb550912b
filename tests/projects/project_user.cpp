#include "tests/projects/project_user.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include "app/common/gbk_string.h"
#include "app/projects/auxiliary_grid.h"
#include "app/projects/project_designer.h"
#include "app/projects/project_panel.h"
#include "app/shell/table_chooser.h"

namespace torvanel::test {

TForm04* ProjectUser::designer() const { return w.main.projectDesigner(); }

AuxiliaryGrid* ProjectUser::grid() const { return designer()->auxiliaryGrid(); }

void ProjectUser::newProject(const std::function<void()>& steps) {
  u.whileModal([steps](QDialog*) { steps(); });
  u.menu(QStringLiteral("新建项目"));
}

void ProjectUser::manage(int line, const QString& button, const std::function<void()>& steps) {
  u.menu(QStringLiteral("项目设置(&M)"));
  QListWidget* lines = w.main.projectPanel()->lines();
  if (line >= 0) u.clickItem(lines, lines->item(line)->text());
  u.whileModal([steps](QDialog*) { steps(); });
  u.button(button);
}

namespace {

void chooseFile(Workbench& w, const char* name) {
  TForm01& chooser = *w.main.tableChooser();
  ASSERT_TRUE(chooser.isVisible());
  w.user.choose(chooser.databaseList(), TForm01::kFileTables);
  w.dialogs.fileAnswers.push_back(QString::fromStdString(w.data.file(name)));
  w.user.click(chooser.chooseButton());
}

}  // namespace

void ProjectUser::chooseMaster(const char* name) {
  designerButton(QStringLiteral("选择主数据表"));
  chooseFile(w, name);
}

void ProjectUser::chooseAuxiliary(int row, const char* name) {
  rowMenu(row, QStringLiteral("设置辅助表项"));
  chooseFile(w, name);
}

void ProjectUser::rowMenu(int row, const QString& item, const QString& sub, int column) {
  AuxiliaryGrid* g = grid();
  g->scrollTo(g->model()->index(row, column));
  const QPoint at = g->visualRect(g->model()->index(row, column)).center();
  if (sub.isEmpty()) {
    u.contextMenu(g, item, at);
    return;
  }
  QMenu* menu = u.openContextMenu(g, at);
  if (!menu) return;
  QAction* parent = nullptr;
  for (QAction* a : menu->actions())
    if (a->text() == item) parent = a;
  if (!parent || !parent->menu()) {
    ADD_FAILURE() << "no sub-menu " << item.toStdString();
    menu->close();
    return;
  }
  // A click on the item opens its sub-menu, as hovering does.
  QTest::mouseMove(menu, menu->actionGeometry(parent).center());
  QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(parent).center());
  QMenu* subMenu = parent->menu();
  if (!subMenu->isVisible())
    subMenu->popup(menu->mapToGlobal(menu->actionGeometry(parent).topRight()));
  for (QAction* a : subMenu->actions()) {
    if (a->text() != sub) continue;
    const QPoint p = subMenu->actionGeometry(a).center();
    QTest::mouseMove(subMenu, p);
    QTest::mouseClick(subMenu, Qt::LeftButton, Qt::NoModifier, p);
    QApplication::processEvents();
    return;
  }
  ADD_FAILURE() << "no item " << sub.toStdString() << " under " << item.toStdString();
  subMenu->close();
  menu->close();
}

void ProjectUser::designerButton(const QString& text) {
  for (QPushButton* b : designer()->findChildren<QPushButton*>(Qt::FindDirectChildrenOnly)) {
    if (b->text() != text) continue;
    u.click(b);
    return;
  }
  ADD_FAILURE() << "the designer has no button " << text.toStdString();
}

void ProjectUser::buttonIn(QWidget* panel, const QString& text) {
  for (QPushButton* b : panel->findChildren<QPushButton*>()) {
    if (b->text() != text || !b->isVisible()) continue;
    u.click(b);
    return;
  }
  ADD_FAILURE() << "no visible button " << text.toStdString() << " in "
                << panel->objectName().toStdString();
}

QByteArray ProjectUser::programFile(const QString& name) const {
  return QFile::exists(w.program.file(name)) ? w.program.read(name) : QByteArray();
}

QString ProjectUser::projectFileOf(const char* master) const {
  return QStringLiteral("[") + folder().remove(QLatin1Char('/')) + QStringLiteral("]") +
         QFileInfo(QString::fromUtf8(master)).completeBaseName() + QStringLiteral(".tsm");
}

QByteArray gbkLines(const QString& text) {
  QByteArray out = toGbk(text);
  out.replace("\n", "\r\n");
  return out;
}

}  // namespace torvanel::test
