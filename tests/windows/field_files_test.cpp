// Memo and picture fields to and from files through the pop-up menus of the single-record view:
// the marks that pick the target box, the menus' enabling, round trips through text and bitmap
// files, and files that cannot be read or written.

#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QContextMenuEvent>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QMenu>
#include <QTest>

#include "app/common/gbk_string.h"
#include "app/ui/field_controls.h"
#include "tests/engine/table_fixture.h"
#include "tests/windows/workbench.h"

namespace torvanel {
namespace {

using tdb::test::gbk;
using test::Workbench;

// NAME C(10), NOTE M, REMARK M, PIC G, LOGO B; two records, the first with a note and a picture.
void makeFieldTable(Workbench& w, const std::string& picture) {
  tdb::Table t;
  tdb::test::point(t, w.data, "p.dbf");
  t.fieldDefs().add("NAME", tdb::FieldType::ftString, 10);
  t.fieldDefs().add("NOTE", tdb::FieldType::ftMemo);
  t.fieldDefs().add("REMARK", tdb::FieldType::ftMemo);
  t.fieldDefs().add("PIC", tdb::FieldType::ftGraphic);
  t.fieldDefs().add("LOGO", tdb::FieldType::ftBlob);
  t.createTable();
  t.open();
  t.append();
  t.fieldByName("NAME").setAsString("A");
  t.fieldByName("NOTE").setAsString("old");
  t.fieldByName("PIC").setValue(tdb::Value::bytes(picture));
  t.post();
  t.append();
  t.fieldByName("NAME").setAsString("B");
  t.post();
}

QImage sampleImage() {
  QImage image(4, 3, QImage::Format_RGB32);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) image.setPixel(x, y, qRgb(60 * x, 80 * y, 200 - 10 * x * y));
  return image;
}

QByteArray bmpBytes(const QImage& image) {
  QByteArray bytes;
  QBuffer out(&bytes);
  out.open(QIODevice::WriteOnly);
  image.save(&out, "BMP");
  return bytes;
}

QByteArray fileBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

// The value of a field as the table file holds it, record 1.
std::string storedField(Workbench& w, const char* field) {
  tdb::Table t;
  tdb::test::point(t, w.data, "p.dbf");
  t.open();
  const tdb::Value v = t.fieldByName(field).value();
  return v.isNull() ? std::string() : v.textValue();
}

struct FieldFiles : ::testing::Test {
  Workbench w;
  test::User& u = w.user;
  QString dir;
  void SetUp() override {
    makeFieldTable(w, bmpBytes(sampleImage()).toStdString());
    dir = QString::fromStdString(w.data.path());
    w.open("p.dbf");
    u.menu(QStringLiteral("单记录模式显示"));
  }
  WindowSlot& slot() { return w.slot(0); }
  FieldPicture* picture(int i) { return slot().images[0][static_cast<size_t>(i)]; }
  FieldMemo* memo(int i) { return slot().memos[0][static_cast<size_t>(i)]; }
  // Which items of the box's pop-up menu can be clicked, read from the menu it opens.
  std::vector<bool> offered(QWidget* box) {
    std::vector<bool> out;
    QMenu* menu = u.openContextMenu(box);
    if (!menu) return out;
    for (QAction* a : menu->actions()) out.push_back(a->isEnabled());
    menu->close();
    return out;
  }
  // What the marked box's menu item does, from the pop-up menu of the box.
  void command(QWidget* box, const char* item) { u.contextMenu(box, QString::fromUtf8(item)); }
};

TEST_F(FieldFiles, APressMarksItsBoxAndUnmarksTheOthersOfItsKind) {
  ASSERT_EQ(slot().images[0].size(), 2u);
  ASSERT_EQ(slot().memos[0].size(), 2u);
  EXPECT_EQ(picture(0)->mark() + picture(1)->mark() + memo(0)->mark() + memo(1)->mark(), 0);

  QTest::mousePress(picture(1), Qt::RightButton);  // any button
  EXPECT_EQ(picture(0)->mark(), 0);
  EXPECT_EQ(picture(1)->mark(), 1);
  QTest::mousePress(picture(0), Qt::LeftButton);
  EXPECT_EQ(picture(0)->mark(), 1);
  EXPECT_EQ(picture(1)->mark(), 0);
  QTest::mousePress(memo(1)->viewport(), Qt::MiddleButton);
  EXPECT_EQ(memo(0)->mark(), 0);
  EXPECT_EQ(memo(1)->mark(), 1);
  EXPECT_EQ(picture(0)->mark(), 1);  // the pictures keep theirs

  // The context menu of a memo box is the memo menu, and it also marks its box (a menu opened
  // from the keyboard had no press).
  QContextMenuEvent request(QContextMenuEvent::Keyboard, QPoint(5, 5),
                            memo(0)->viewport()->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(memo(0)->viewport(), &request);
  auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  ASSERT_NE(menu, nullptr);
  menu->close();
  EXPECT_EQ(memo(0)->mark(), 1);
  EXPECT_EQ(memo(1)->mark(), 0);
  QStringList items;
  for (QAction* a : menu->actions()) items << a->text();
  EXPECT_EQ(items,
            QStringList({QStringLiteral("清除备注字段"), QStringLiteral("从文件装入到备注字段"),
                         QStringLiteral("输出备注字段到文件")}));
  items.clear();
  menu = u.openContextMenu(picture(1));
  ASSERT_NE(menu, nullptr);
  for (QAction* a : menu->actions()) items << a->text();
  menu->close();
  EXPECT_EQ(items, QStringList({QStringLiteral("清除图象"), QStringLiteral("从文件装入图象"),
                                QStringLiteral("输出图象到文件")}));
}

TEST_F(FieldFiles, ClearingAndLoadingWaitForTheEditState) {
  EXPECT_EQ(offered(picture(0)), std::vector<bool>({false, false, true}));
  EXPECT_EQ(offered(memo(0)), std::vector<bool>({false, false, true}));

  u.menu(QStringLiteral("进入编辑状态"));
  EXPECT_EQ(offered(picture(0)), std::vector<bool>({true, true, true}));
  EXPECT_EQ(offered(memo(0)), std::vector<bool>({true, true, true}));
  command(memo(0), "清除备注字段");  // cleared and stored at once
  EXPECT_EQ(memo(0)->toPlainText(), QString());
  EXPECT_EQ(storedField(w, "NOTE"), "");
  EXPECT_EQ(storedField(w, "NAME"), "A");
  u.menu(QStringLiteral("取消编辑状态"));
  EXPECT_EQ(offered(memo(0)), std::vector<bool>({false, false, true}));
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

TEST_F(FieldFiles, AMemoGoesToATextFileAndBackAsGbkLines) {
  const QByteArray text = toGbk(QStringLiteral("第一行\r\n第二行 abc\r\n\r\n末行"));
  writeFile(dir + "in.txt", text + "\r\n");
  u.menu(QStringLiteral("进入编辑状态"));
  w.dialogs.fileAnswers.push_back(dir + "in.txt");
  command(memo(1), "从文件装入到备注字段");
  EXPECT_EQ(w.dialogs.shown.last(), QStringLiteral("open: | 从文件装入到备注字段"));
  EXPECT_EQ(storedField(w, "REMARK"), text.toStdString());  // stored at once
  EXPECT_EQ(storedField(w, "NOTE"), "old");                 // only the marked box's field
  EXPECT_EQ(memo(1)->toPlainText(), QStringLiteral("第一行\n第二行 abc\n\n末行"));
  // Passing through the box as it shows the memo does not rewrite it.
  u.clickInto(memo(1));
  u.clickInto(u.field(QStringLiteral("NAME")));
  u.menu(QStringLiteral("取消编辑状态"));
  EXPECT_EQ(storedField(w, "REMARK"), text.toStdString());
  u.menu(QStringLiteral("进入编辑状态"));

  // Out again, to a name typed without extension: ".txt" is added, the bytes are the file's.
  w.dialogs.fileAnswers.push_back(dir + "out");
  command(memo(1), "输出备注字段到文件");
  EXPECT_EQ(w.dialogs.shown.last(), QStringLiteral("save: | 备注输出到文件"));
  EXPECT_EQ(fileBytes(dir + "out.txt"), text + "\r\n");

  // An existing file is overwritten only when the user agrees.
  command(memo(1), "清除备注字段");
  w.dialogs.fileAnswers.push_back(dir + "out.txt");
  w.dialogs.confirmAnswers.push_back(Answer::No);
  command(memo(1), "输出备注字段到文件");
  EXPECT_EQ(w.dialogs.shown.last(), QStringLiteral("confirm: 确认 | 文本文件") + dir + "out.txt" +
                                        QStringLiteral("已经存在,要覆盖吗?"));
  EXPECT_EQ(fileBytes(dir + "out.txt"), text + "\r\n");
  w.dialogs.fileAnswers.push_back(dir + "out.txt");
  w.dialogs.confirmAnswers.push_back(Answer::Yes);
  command(memo(1), "输出备注字段到文件");
  EXPECT_TRUE(QFile::exists(dir + "out.txt"));
  EXPECT_EQ(fileBytes(dir + "out.txt"), QByteArray());  // an empty memo: no lines

  // A cancelled dialog does nothing.
  w.dialogs.fileAnswers.push_back(std::nullopt);
  command(memo(1), "从文件装入到备注字段");
  EXPECT_EQ(storedField(w, "REMARK"), "");
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

TEST_F(FieldFiles, APictureGoesToABitmapFileAndBack) {
  // The stored picture out to a name without extension: a ".BMP" file with its pixels.
  w.dialogs.fileAnswers.push_back(dir + "pic");
  command(picture(0), "输出图象到文件");
  EXPECT_EQ(w.dialogs.shown.last(), QStringLiteral("save: | 图象输出到文件"));
  QImage written(dir + "pic.BMP");
  ASSERT_FALSE(written.isNull());
  EXPECT_EQ(QImageReader(dir + "pic.BMP").format(), QByteArray("bmp"));
  EXPECT_EQ(written.convertToFormat(QImage::Format_RGB32), sampleImage());

  // Into the other picture field: a BMP file goes in as it is, and the box shows it.
  QImage other(2, 2, QImage::Format_RGB32);
  other.fill(qRgb(10, 200, 30));
  writeFile(dir + "in.bmp", bmpBytes(other));
  u.menu(QStringLiteral("进入编辑状态"));
  w.dialogs.fileAnswers.push_back(dir + "in.bmp");
  command(picture(1), "从文件装入图象");
  EXPECT_EQ(w.dialogs.shown.last(), QStringLiteral("open: | 从文件装入到图象字段"));
  EXPECT_EQ(storedField(w, "LOGO"), bmpBytes(other).toStdString());
  EXPECT_EQ(picture(1)->pixmap().size(), QSize(2, 2));

  // Another picture format under a .bmp name is stored as a bitmap.
  QByteArray png;
  QBuffer out(&png);
  out.open(QIODevice::WriteOnly);
  other.save(&out, "PNG");
  writeFile(dir + "png.bmp", png);
  w.dialogs.fileAnswers.push_back(dir + "png.bmp");
  command(picture(1), "从文件装入图象");
  EXPECT_EQ(storedField(w, "LOGO").substr(0, 2), "BM");

  // Overwriting asks; "no" leaves the file alone.
  writeFile(dir + "keep.bmp", "keep");
  w.dialogs.fileAnswers.push_back(dir + "keep.bmp");
  w.dialogs.confirmAnswers.push_back(Answer::No);
  command(picture(1), "输出图象到文件");
  EXPECT_EQ(w.dialogs.shown.last(), QStringLiteral("confirm: 确认 | 图象文件") + dir + "keep.bmp" +
                                        QStringLiteral("已经存在,要覆盖吗?"));
  EXPECT_EQ(fileBytes(dir + "keep.bmp"), QByteArray("keep"));
  w.dialogs.fileAnswers.push_back(dir + "keep.bmp");
  w.dialogs.confirmAnswers.push_back(Answer::Yes);
  command(picture(1), "输出图象到文件");
  EXPECT_EQ(QImage(dir + "keep.bmp").convertToFormat(QImage::Format_RGB32), other);

  // Cleared, the picture box shows none.
  command(picture(1), "清除图象");
  EXPECT_EQ(storedField(w, "LOGO"), "");
  EXPECT_TRUE(picture(1)->pixmap().isNull());
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

TEST_F(FieldFiles, AFileThatCannotBeReadOrWrittenIsReported) {
  u.menu(QStringLiteral("进入编辑状态"));
  w.dialogs.fileAnswers.push_back(dir + "missing.txt");
  command(memo(0), "从文件装入到备注字段");
  ASSERT_EQ(w.dialogs.messages.size(), 1);
  EXPECT_TRUE(w.dialogs.messages[0].contains(dir + "missing.txt"));
  // Nothing is stored: the memo is as it was.
  EXPECT_EQ(memo(0)->toPlainText(), QStringLiteral("old"));
  EXPECT_EQ(storedField(w, "NOTE"), "old");

  writeFile(dir + "junk.bmp", "this is no picture");
  w.dialogs.fileAnswers.push_back(dir + "junk.bmp");
  command(picture(0), "从文件装入图象");
  ASSERT_EQ(w.dialogs.messages.size(), 2);
  EXPECT_TRUE(w.dialogs.messages[1].contains(dir + "junk.bmp"));
  EXPECT_EQ(storedField(w, "PIC"), bmpBytes(sampleImage()).toStdString());

  // Writing into a folder that does not exist.
  u.menu(QStringLiteral("恢复记录"));
  w.dialogs.fileAnswers.push_back(dir + "no/such/folder/out.txt");
  command(memo(0), "输出备注字段到文件");
  ASSERT_EQ(w.dialogs.messages.size(), 3);
  EXPECT_TRUE(w.dialogs.messages[2].contains(QStringLiteral("out.txt")));
  w.dialogs.fileAnswers.push_back(dir + "no/such/folder/out");
  command(picture(0), "输出图象到文件");
  ASSERT_EQ(w.dialogs.messages.size(), 4);
  EXPECT_TRUE(w.dialogs.messages[3].contains(QStringLiteral("out.BMP")));
  u.menu(QStringLiteral("取消编辑状态"));
  EXPECT_EQ(storedField(w, "NOTE"), "old");
  EXPECT_EQ(storedField(w, "PIC"), bmpBytes(sampleImage()).toStdString());
}

}  // namespace
}  // namespace torvanel
