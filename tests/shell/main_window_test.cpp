#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include "app/shell/main_window.h"
#include "app/shell/toolbar_band.h"
#include "app/windows/child_windows.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_folder.h"
#include "tests/support/user_actions.h"

namespace torvanel {
namespace {

using C = Command;
using test::ScriptedDialogs;
using test::TempFolder;

// Stands in for the window registry, which is not part of this test.
class FakeChildWindows : public ChildWindows {
 public:
  std::optional<ActiveWindowState> active;
  bool clipboard = false;
  bool allowClose = true;
  bool throwOnClose = false;
  QStringList calls;

  std::optional<ActiveWindowState> activeWindow() const override { return active; }
  bool recordClipboardExists() const override { return clipboard; }
  bool closeeverytable(CloseMode mode) override {
    calls << (mode == CloseMode::SaveOnly ? "close n"
              : mode == CloseMode::Close  ? "close y"
                                          : "quit");
    if (throwOnClose) throw std::runtime_error("关闭出错");
    return allowClose;
  }
  void reopenWithMemoryBuffer(bool on) override { calls << (on ? "reopen on" : "reopen off"); }
  void bringToFront(int slot) override { calls << QStringLiteral("front %1").arg(slot); }
  void deleteRecordClipboard() override { calls << "delete clipboard"; }
};

QStringList texts(const QList<QAction*>& actions) {
  QStringList out;
  for (QAction* a : actions) out << (a->isSeparator() ? QStringLiteral("-") : a->text());
  return out;
}

TEST(MainWindow, CaptionAndMenuBar) {
  ScriptedDialogs d;
  TempFolder dir;
  TForm0 w(dir.path());
  EXPECT_EQ(w.windowTitle(), QStringLiteral("Torvanel(Vorlant 企业版V2.0)"));
  EXPECT_EQ(texts(w.menuBar()->actions()),
            (QStringList{"文件(&F)", "项目设置(&M)", "数据表(&T)", "表记录(&R)", "编辑(&E)",
                         "设置(&O)", "实用程序", "报表管理"}));
  QStringList fileItems = texts(w.menuAction(Menu::File)->menu()->actions());
  fileItems.removeAll("-");
  EXPECT_EQ(fileItems, (QStringList{"新建项目", "新建数据表", "打开项目", "打开数据表",
                                    "关闭当前(表)项目", "关闭全部", "保存当前表改变",
                                    "保存全部表改变", "取消当前表修改", "取消全部表修改", "退出"}));
  QStringList settingsItems = texts(w.menuAction(Menu::Settings)->menu()->actions());
  settingsItems.removeAll("-");
  EXPECT_EQ(settingsItems.size(), 7);
  EXPECT_EQ(settingsItems.last(), QStringLiteral("设置公式计算时的小数位数 当前为2位(&D)"));
  EXPECT_TRUE(d.messages.isEmpty());
}

TEST(MainWindow, ToolbarRowsSeparatorsAndHints) {
  ScriptedDialogs d;
  TempFolder dir;
  TForm0 w(dir.path());
  const QList<QToolBar*> rows = w.toolbarBand()->rows();
  ASSERT_EQ(rows.size(), 2);
  QStringList hints;
  for (QAction* a : rows[0]->actions()) hints << (a->isSeparator() ? "-" : a->toolTip());
  EXPECT_EQ(hints,
            (QStringList{"新建数据表", "打开数据表", "打开项目", "关闭活动表", "保存活动表修改",
                         "取消活动表修改", "-", "进入编辑", "取消编辑", "单记录模式", "多记录模式",
                         "查询", "-", "首记录", "尾记录", "前一记录", "后一记录", "-"}));
  hints.clear();
  for (QAction* a : rows[1]->actions()) hints << (a->isSeparator() ? "-" : a->toolTip());
  EXPECT_EQ(hints, (QStringList{"记录上移", "记录下移", "插入记录", "删除记录", "-", "剪切", "复制",
                                "粘贴", "-"}));
  for (QToolBar* row : rows) {
    for (QAction* a : row->actions()) {
      if (!a->isSeparator()) {
        EXPECT_FALSE(a->icon().isNull()) << a->toolTip().toStdString();
      }
    }
  }
}

TEST(MainWindow, WindowListFollowsTheMainWindowWidth) {
  ScriptedDialogs d;
  TempFolder dir;
  TForm0 w(dir.path());
  w.setWindowState(Qt::WindowNoState);
  w.resize(767, 500);
  w.show();
  QComboBox* list = w.windowList();
  w.resize(767, 500);
  QCoreApplication::processEvents();
  EXPECT_FALSE(list->isVisible());
  EXPECT_EQ(list->width(), 0);
  w.resize(768, 500);
  QCoreApplication::processEvents();
  EXPECT_TRUE(list->isVisible());
  EXPECT_EQ(list->geometry(), QRect(546, 1, 193, list->height()));
}

TEST(MainWindow, ButtonsFollowTheActiveWindowAndTheProjectList) {
  ScriptedDialogs d;
  TempFolder dir;
  FakeChildWindows windows;
  TForm0 w(dir.path());
  w.setChildWindows(&windows);
  EXPECT_FALSE(w.button(C::OpenProject)->isEnabled());
  EXPECT_FALSE(w.menuAction(Menu::Projects)->isEnabled());
  EXPECT_FALSE(w.button(C::FirstRecord)->isEnabled());
  EXPECT_FALSE(w.menuAction(Menu::Records)->isEnabled());

  dir.write("datatools.tsm", "");
  windows.active = ActiveWindowState{false, false, true, 1};
  windows.clipboard = true;
  w.menuset();
  EXPECT_TRUE(w.button(C::OpenProject)->isEnabled());
  EXPECT_TRUE(w.action(C::OpenProject)->isEnabled());
  EXPECT_TRUE(w.menuAction(Menu::Projects)->isEnabled());
  EXPECT_TRUE(w.button(C::FirstRecord)->isEnabled());
  EXPECT_TRUE(w.button(C::Paste)->isEnabled());
  EXPECT_TRUE(w.action(C::Cut)->isEnabled());
  EXPECT_FALSE(w.action(C::Recalculate)->isEnabled());
  EXPECT_FALSE(w.button(C::SaveTable)->isEnabled());
  EXPECT_TRUE(w.menuAction(Menu::Reports)->isEnabled());
}

TEST(MainWindow, SettingsCommandsWriteTheFileAndMoveTheCheckMarks) {
  ScriptedDialogs d;
  TempFolder dir;
  TForm0 w(dir.path());
  test::User user(w);
  user.activate();
  EXPECT_FALSE(QFile::exists(dir.file("setfile.tsm")));  // created at the first change only
  EXPECT_TRUE(w.action(C::DbaseDefault)->isChecked());

  user.menu(QStringLiteral("[.DBF]文件打开或建立时默认为FoxPro类型"));
  user.menu(QStringLiteral("退出时自动存盘"));
  user.menu(QStringLiteral("使用内存缓冲"));
  EXPECT_EQ(dir.read("setfile.tsm"), "true\r\ntrue\r\nfoxpro\r\n100\r\n");
  EXPECT_TRUE(w.action(C::FoxproDefault)->isChecked());
  EXPECT_FALSE(w.action(C::DbaseDefault)->isChecked());
  EXPECT_TRUE(w.action(C::AutoSave)->isChecked());
  EXPECT_FALSE(w.action(C::NoAutoSave)->isChecked());

  // Clicking the item that is already checked keeps it checked.
  user.menu(QStringLiteral("[.DBF]文件打开或建立时默认为FoxPro类型"));
  EXPECT_TRUE(w.action(C::FoxproDefault)->isChecked());

  d.inputAnswers = {QStringLiteral("13"), QStringLiteral("3")};
  user.menu(w.action(C::DecimalPlaces)->text());
  EXPECT_EQ(d.messages, QStringList{QStringLiteral("小数位数超界，请重输!")});
  EXPECT_EQ(dir.read("setfile.tsm"), "true\r\ntrue\r\nfoxpro\r\n1000\r\n");
  EXPECT_EQ(w.action(C::DecimalPlaces)->text(),
            QStringLiteral("设置公式计算时的小数位数 当前为3位(&D)"));

  // A new main window reads them back.
  TForm0 again(dir.path());
  EXPECT_TRUE(again.settings().useMemoryBuffer);
  EXPECT_EQ(again.settings().formulaDecimals, 1000);
  EXPECT_TRUE(again.action(C::UseBuffer)->isChecked());
}

TEST(MainWindow, UnwritableSettingsAreReportedAndStayInForce) {
  ScriptedDialogs d;
  TempFolder dir;
  ASSERT_TRUE(QDir(dir.path()).mkdir("setfile.tsm"));  // a folder in the way: no write can work
  TForm0 w(dir.path());
  test::User user(w);
  user.activate();
  EXPECT_EQ(d.messages.size(), 1);  // it cannot be read either
  d.messages.clear();
  user.menu(QStringLiteral("退出时自动存盘"));
  ASSERT_EQ(d.messages.size(), 1);
  EXPECT_TRUE(d.messages[0].contains(QStringLiteral("setfile.tsm")));
  EXPECT_TRUE(w.settings().autoSaveOnExit);
  EXPECT_TRUE(w.action(C::AutoSave)->isChecked());
}

TEST(MainWindow, BadNumberInTheSettingsIsReportedAndStartUpGoesOn) {
  ScriptedDialogs d;
  TempFolder dir;
  dir.write("setfile.tsm", "true\r\nfalse\r\nfoxpro\r\nzwei\r\n");
  TForm0 w(dir.path());
  ASSERT_EQ(d.messages.size(), 1);
  EXPECT_TRUE(d.messages[0].contains(QStringLiteral("zwei")));
  EXPECT_TRUE(w.settings().useMemoryBuffer);
  EXPECT_EQ(w.settings().defaultDbfType, tdb::TableType::ttFoxPro);
  EXPECT_EQ(w.settings().formulaDecimals, 100);
  EXPECT_TRUE(w.action(C::FoxproDefault)->isChecked());
}

TEST(MainWindow, SwitchingTheBufferWithWindowsOpenAsksThemFirst) {
  ScriptedDialogs d;
  TempFolder dir;
  FakeChildWindows windows;
  TForm0 w(dir.path());
  w.setChildWindows(&windows);
  test::User user(w);
  user.activate();
  windows.active = ActiveWindowState{};

  windows.allowClose = false;  // the user cancels the save question
  user.menu(QStringLiteral("使用内存缓冲"));
  EXPECT_FALSE(w.settings().useMemoryBuffer);
  EXPECT_FALSE(w.action(C::UseBuffer)->isChecked());
  EXPECT_FALSE(QFile::exists(dir.file("setfile.tsm")));

  windows.allowClose = true;
  user.menu(QStringLiteral("使用内存缓冲"));
  EXPECT_TRUE(w.settings().useMemoryBuffer);
  EXPECT_EQ(windows.calls, (QStringList{"close n", "close n", "reopen on"}));
  EXPECT_TRUE(dir.read("setfile.tsm").startsWith("true\r\n"));
}

TEST(MainWindow, QuittingClosesEveryWindowUnlessCancelled) {
  ScriptedDialogs d;
  TempFolder dir;
  FakeChildWindows windows;
  TForm0 w(dir.path());
  w.setChildWindows(&windows);
  test::User user(w);
  user.activate();

  windows.allowClose = false;
  user.menu(QStringLiteral("退出"));
  EXPECT_TRUE(w.isVisible());

  windows.allowClose = true;
  windows.clipboard = true;
  user.menu(QStringLiteral("退出"));
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(windows.calls, (QStringList{"quit", "quit", "delete clipboard"}));
}

TEST(MainWindow, AnErrorWhileClosingStillQuits) {
  ScriptedDialogs d;
  TempFolder dir;
  FakeChildWindows windows;
  TForm0 w(dir.path());
  w.setChildWindows(&windows);
  test::User user(w);
  user.activate();
  windows.throwOnClose = true;
  user.menu(QStringLiteral("退出"));
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(d.messages, QStringList{QStringLiteral("关闭出错")});
}

TEST(MainWindow, ChoosingAWindowListEntryBringsItsSlotToFront) {
  ScriptedDialogs d;
  TempFolder dir;
  FakeChildWindows windows;
  TForm0 w(dir.path());
  w.setChildWindows(&windows);
  test::User user(w);
  user.activate();
  // The slot is the entry's data, whatever its text says.
  w.windowList()->addItem(QStringLiteral("<0> 数据表:[DEMO]客户.DBF()"), 0);
  w.windowList()->addItem(QStringLiteral("<12> 数据表:[DEMO]<3>.DBF()"), 12);
  w.resize(1000, 700);  // wide enough to show the window list
  user.chooseWindow(12);
  EXPECT_EQ(windows.calls, QStringList{QStringLiteral("front 12")});
}

}  // namespace
}  // namespace torvanel
