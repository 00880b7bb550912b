// Text the table's GBK cannot hold (an emoji) is refused with a message naming the field wherever
// a user gives it, instead of being stored as '?'; a UTF-8 text file loads into a memo as the
// characters it holds.

#include <gtest/gtest.h>
#include <QFile>

#include "tests/engine/table_fixture.h"
#include "tests/windows/workbench.h"

namespace torvanel {
namespace {

using tdb::test::gbk;
using test::Workbench;

const QString kFox = QStringLiteral("🦊");

// The message shown last names the field and the character.
void expectRefused(const Workbench& w, int count, const QString& field) {
  ASSERT_EQ(w.dialogs.messages.size(), count);
  const QString& m = w.dialogs.messages.back();
  EXPECT_TRUE(m.contains(QStringLiteral("字段[") + field + QStringLiteral("]")) && m.contains(kFox))
      << m.toStdString();
}

TEST(UnencodableText, IsRefusedNamingTheFieldWhereverItIsTyped) {
  Workbench w;
  test::User& u = w.openSample("s.dbf", 3);

  // A grid cell.
  u.menu(QStringLiteral("进入编辑状态"));
  u.clickCell(0, 0);
  u.type(QStringLiteral("x") + kFox);
  u.press(Qt::Key_Return);
  expectRefused(w, 1, QStringLiteral("NAME"));

  // The edit box and the memo box of the single-record view.
  w.typeInto("NAME", QStringLiteral("y") + kFox);
  expectRefused(w, 2, QStringLiteral("NAME"));
  u.clickInto(u.field(QStringLiteral("NOTE")));
  u.type(kFox);
  u.clickInto(u.field(QStringLiteral("NAME")));  // leaving the memo stores it
  expectRefused(w, 3, QStringLiteral("NOTE"));
  u.menu(QStringLiteral("多记录模式显示"));
  EXPECT_EQ(w.stored("s.dbf"), "R1 R2 R3 ");
  EXPECT_EQ(w.stored("s.dbf", "NOTE"), "  memo 3 ");

  // The value of "替换字段内容" and of "内容定位".
  const struct {
    const char* command;
    const char* box;
    const char* button;
  } panelRuns[] = {{"替换字段内容", "输入替换内容:", "替换"},
                   {"内容定位", "输入字段内容:", "查找"}};
  for (const auto& run : panelRuns) {
    u.menu(QString::fromUtf8(run.command));
    u.clickItem(QStringLiteral("NAME"));
    u.clickInto(u.inGroup(QString::fromUtf8(run.box)));
    u.press(Qt::Key_A, Qt::ControlModifier);
    u.type(kFox);
    u.button(QString::fromUtf8(run.button));
  }
  expectRefused(w, 5, QStringLiteral("NAME"));
  EXPECT_EQ(w.dialogs.messages.value(3), w.dialogs.messages.value(4));
  EXPECT_EQ(w.stored("s.dbf"), "R1 R2 R3 ");
}

TEST(UnencodableText, AUtf8TextFileLoadsIntoAMemoAsItsCharacters) {
  Workbench w;
  test::User& u = w.openSample("s.dbf", 1);
  u.menu(QStringLiteral("单记录模式显示"));
  u.menu(QStringLiteral("进入编辑状态"));
  const auto load = [&](const char* file, const QByteArray& bytes) {
    const QString path = QString::fromStdString(w.data.file(file));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    w.dialogs.fileAnswers = {path};
    u.contextMenu(u.field(QStringLiteral("NOTE")), QStringLiteral("从文件装入到备注字段"));
  };

  load("utf8.txt", QByteArray("第一行\n第二行\n"));
  EXPECT_EQ(w.stored("s.dbf", "NOTE"), gbk("第一行\r\n第二行") + " ");
  // GBK, as the system's own files are, still loads as GBK.
  load("gbk.txt", QByteArray::fromStdString(gbk("甲乙\r\n")));
  EXPECT_EQ(w.stored("s.dbf", "NOTE"), gbk("甲乙") + " ");
  EXPECT_TRUE(w.dialogs.messages.isEmpty());

  // UTF-8 with a character GBK lacks: refused, the memo as it was.
  load("fox.txt", (QStringLiteral("狐") + kFox).toUtf8());
  expectRefused(w, 1, QStringLiteral("NOTE"));
  EXPECT_EQ(w.stored("s.dbf", "NOTE"), gbk("甲乙") + " ");
}

}  // namespace
}  // namespace torvanel
