#include <gtest/gtest.h>

#include "app/projects/project_designer.h"
#include "app/reports/report_manager.h"
#include "app/shell/main_window.h"
#include "app/shell/splash_window.h"
#include "app/shell/table_chooser.h"
#include "app/tools/query_builder.h"
#include "app/tools/structure_designer.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_folder.h"
#include "tests/support/user_actions.h"

namespace torvanel {
namespace {

TEST(Splash, CentredWithHalvesRoundedToEven) {
  const QSize splash(TForm00::kWidth, TForm00::kHeight);
  EXPECT_EQ(TForm00::centredOn({1024, 768}, splash), QPoint(291, 236));
  EXPECT_EQ(TForm00::centredOn({1023, 767}, splash), QPoint(290, 236));  // 290.5, 235.5
  EXPECT_EQ(TForm00::centredOn({1025, 769}, splash), QPoint(292, 236));  // 291.5, 236.5
  TForm00 w;
  EXPECT_EQ(w.size(), splash);
  EXPECT_TRUE(w.windowFlags() & Qt::FramelessWindowHint);
}

TEST(StartUp, TheFiveDialogsAreCreatedHidden) {
  test::ScriptedDialogs d;
  test::TempFolder dir;
  TForm0 w(dir.path());
  w.createDialogs();
  struct Expected {
    const char* name;
    const char* caption;
  };
  for (const Expected& e : {Expected{"TForm01", "打开数据表"}, Expected{"TForm02", "查询"},
                            Expected{"TForm03", "表结构"}, Expected{"TForm04", "新增项目设置"},
                            Expected{"Tform2", "报表管理"}}) {
    auto* dialog = w.findChild<QDialog*>(QString::fromLatin1(e.name));
    ASSERT_NE(dialog, nullptr) << e.name;
    EXPECT_FALSE(dialog->isVisible()) << e.name;
    EXPECT_EQ(dialog->windowTitle(), QString::fromUtf8(e.caption));
  }
  EXPECT_NE(qobject_cast<TForm01*>(w.tableChooser()), nullptr);
  EXPECT_EQ(w.tableChooser()->size(), QSize(536, 146));
}

TEST(StartUp, NewAndOpenTableShowTheChooserInTheirModes) {
  test::ScriptedDialogs d;
  test::TempFolder dir;
  TForm0 w(dir.path());
  w.createDialogs();
  test::User user(w);
  user.activate();
  user.menu(QStringLiteral("新建数据表"));
  EXPECT_TRUE(w.tableChooser()->isVisible());
  EXPECT_FALSE(w.tableChooser()->isModal());
  EXPECT_EQ(w.tableChooser()->mode(), 'y');
  EXPECT_EQ(w.tableChooser()->windowTitle(), QStringLiteral("新建数据表"));
  w.tableChooser()->hide();
  user.toolbar(QStringLiteral("打开数据表"));
  EXPECT_EQ(w.tableChooser()->mode(), 'n');
  EXPECT_EQ(w.tableChooser()->windowTitle(), QStringLiteral("打开数据表"));
}

TEST(ChooserModes, CodesInOrderWithTheirModes) {
  QString codes, modes;
  for (const ChooserModeInfo& m : chooserModes()) {
    codes += QLatin1String(m.code);
    modes += QLatin1Char(m.mode);
  }
  EXPECT_EQ(codes, QStringLiteral("dkxjzkfkhzfzzjarsx"));
  EXPECT_EQ(modes, QStringLiteral("nyzfhcjas"));
  EXPECT_EQ(chooserModeFor(QStringLiteral("ar"))->caption, std::string("选择输入文件"));
  EXPECT_EQ(chooserModeFor(QStringLiteral("客户.DBF")), nullptr);
}

}  // namespace
}  // namespace torvanel
