#pragma once

#include <gtest/gtest.h>
#include <QByteArray>
#include <QString>
#include <functional>

#include "tests/windows/workbench.h"

namespace torvanel {

class AuxiliaryGrid;
class TForm04;

namespace test {

// A user at the project panel and the project designer: every step is a click or a key on
// their widgets, tables chosen through the table chooser, files named through the scripted file
// dialog.
struct ProjectUser {
  Workbench& w;
  User& u = w.user;

  TForm04* designer() const;
  AuxiliaryGrid* grid() const;
  // The database text the chooser gives for a table of the data folder.
  QString folder() const { return QString::fromStdString(w.data.path()); }

  // "新建项目" from the File menu; `steps` act in the modal designer and must close it.
  void newProject(const std::function<void()>& steps);
  // "项目设置(&M)", the line `line` selected, then the panel's `button` ("修  改", "增  加");
  // `steps` act in the designer it opens.
  void manage(int line, const QString& button, const std::function<void()>& steps);

  // In the designer: the table `name` of the data folder chosen in the chooser as master, or as
  // the auxiliary table of row `row` through its right-click menu.
  void chooseMaster(const char* name);
  void chooseAuxiliary(int row, const char* name);
  // Right-clicks the cell (row, column) of the auxiliary grid and picks `item`, or `item`'s
  // sub-menu item `sub`.
  void rowMenu(int row, const QString& item, const QString& sub = {}, int column = 2);
  // Clicks the designer's own button (not an overlay's) reading `text`.
  void designerButton(const QString& text);
  // Clicks the visible button reading `text` inside `panel`.
  void buttonIn(QWidget* panel, const QString& text);

  // A file of the program folder, byte for byte; empty when missing.
  QByteArray programFile(const QString& name) const;
  // The project file name of a master of the data folder: the folder's "/" dropped.
  QString projectFileOf(const char* master) const;
};

// The workbench and a user at its projects, with the customers table cust.dbf (NAME, CITY, one
// record, the index BYNAME on NAME) in the data folder.
struct ProjectTest : ::testing::Test {
  Workbench w;
  ProjectUser p{w};
  User& u = w.user;

  ProjectTest() { w.makePeople("cust.dbf", {"王/北京"}, "BYNAME"); }
};

// GBK bytes of UTF-8 text with every "\n" made CR LF: a file as the program writes it.
QByteArray gbkLines(const QString& text);

}  // namespace test
}  // namespace torvanel
