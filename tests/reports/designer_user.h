#pragma once

#include <gtest/gtest.h>
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

#include "app/reports/report_template.h"
#include "tests/windows/workbench.h"

class QTableView;

namespace torvanel {

class Tform2;

namespace test {

// The workbench with the table people.dbf (NAME and CITY, C(8) each) in a temporary folder, and
// a user at the report manager: every step a click or a key on its widgets, questions answered
// through the scripted dialogs, results read back from the template files on disk.
struct DesignerTest : ::testing::Test {
  Workbench w;
  User& u = w.user;

  DesignerTest();

  Tform2& designer() const;
  // Opens people.dbf in a window and then "报表管理" from the menu; `steps` act inside the modal
  // designer and must close it.
  void design(const std::function<void()>& steps);
  // Clicks the designer's command button (新建, 保存, 关闭 ...).
  void command(const QString& caption);
  // Replaces what the template box holds by typing `text`, key by key.
  void typeName(const QString& text);
  // Types `text` over the contents of a text box (a line edit or a plain text box).
  void typeOver(QWidget* box, const QString& text);
  // Shows tab `caption` ("页面设计", "表头、表尾设计", "表体设计").
  void showTab(const QString& caption);

  // ---- the program folder
  // A template as a file (of the program folder when the name has no folder) would hold it, written
  // before the test acts.
  void arrange(const QString& name, const ReportTemplate& t) const;
  // A file of the program folder (a name without folder) or anywhere else, byte for byte.
  QString path(const QString& name) const;
  QByteArray bytes(const QString& name) const;
  // The file's lines, decoded from GBK; every line must end in CR LF (a failure otherwise).
  QStringList fileLines(const QString& name) const;
  bool exists(const QString& name) const;
};

// The line number (from 0) of a value in a template file of a table whose grid has `columns`
// grid columns (captions included): the lines after the section blocks move with the grid and
// the lines of the three list sections. `blockLines` is the number of text lines held by the
// head, tail and body sections together.
int templateLine(const QString& what, int columns, int blockLines = 0);

}  // namespace test
}  // namespace torvanel
