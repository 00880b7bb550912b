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
  QString dir;
  void SetUp() override {
    makeFieldTable(w, bmpBytes(sampleImage()).toStdString());
    dir = QString::fromStdString(w.data.path());
    w.open("p.dbf");
    w.engine->smodal();
  }
  WindowSlot& slot() { return w.slot(0); }
  FieldPicture* picture(int i) { return slot().images[0][static_cast<size_t>(i)]; }
  FieldMemo* memo(int i) { return slot().memos[0][static_cast<size_t>(i)]; }
  std::vector<bool> enabled(char box) {
    std::vector<bool> out;
    for (QAction* a : w.engine->fieldMenu(0, box)->actions()) out.push_back(a->isEnabled());
    return out;
  }
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
  QMenu* menu = w.engine->fieldMenu(0, 'm');
  EXPECT_TRUE(menu->isVisible());
  menu->hide();
  EXPECT_EQ(memo(0)->mark(), 1);
  EXPECT_EQ(memo(1)->mark(), 0);
  QStringList items;
  for (QAction* a : menu->actions()) items << a->text();
  EXPECT_EQ(items,
            QStringList({QStringLiteral("清除备注字段"), QStringLiteral("从文件装入到备注字段"),
                         QStringLiteral("输出备注字段到文件")}));
  items.clear();
  for (QAction* a : w.engine->fieldMenu(0, 'p')->actions()) items << a->text();
  EXPECT_EQ(items, QStringList({QStringLiteral("清除图象"), QStringLiteral("从文件装入图象"),
                                QStringLiteral("输出图象到文件")}));
}

TEST_F(FieldFiles, ClearingAndLoadingWaitForTheEditState) {
  EXPECT_EQ(enabled('p'), std::vector<bool>({false, false, true}));
  EXPECT_EQ(enabled('m'), std::vector<bool>({false, false, true}));
  QTest::mousePress(memo(0)->viewport(), Qt::RightButton);
  w.engine->fieldFileCommand('m', 0);  // not offered in browse state: nothing happens
  EXPECT_EQ(w.table().fieldByName("NOTE").asString(), "old");
  EXPECT_EQ(w.table().state(), tdb::DataSetState::dsBrowse);

  w.engine->enteredit();
  EXPECT_EQ(enabled('p'), std::vector<bool>({true, true, true}));
  EXPECT_EQ(enabled('m'), std::vector<bool>({true, true, true}));
  w.engine->fieldFileCommand('m', 0);  // cleared and posted at once
  EXPECT_EQ(w.table().state(), tdb::DataSetState::dsBrowse);
  EXPECT_TRUE(w.table().fieldByName("NOTE").isNull());
  EXPECT_EQ(memo(0)->toPlainText(), QString());
  EXPECT_EQ(storedField(w, "NOTE"), "");
  w.engine->outedit();
  EXPECT_EQ(enabled('m'), std::vector<bool>({false, false, true}));
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

TEST_F(FieldFiles, AMemoGoesToATextFileAndBackAsGbkLines) {
  const QByteArray text = toGbk(QStringLiteral("第一行\r\n第二行 abc\r\n\r\n末行"));
  writeFile(dir + "in.txt", text + "\r\n");
  w.engine->enteredit();
  QTest::mousePress(memo(1)->viewport(), Qt::LeftButton);
  w.dialogs.fileAnswers.push_back(dir + "in.txt");
  w.engine->fieldFileCommand('m', 1);
  EXPECT_EQ(w.dialogs.shown.last(), QStringLiteral("open: | 从文件装入到备注字段"));
  EXPECT_EQ(w.table().state(), tdb::DataSetState::dsBrowse);  // posted
  EXPECT_EQ(w.table().fieldByName("REMARK").asString(), text.toStdString());
  EXPECT_EQ(storedField(w, "REMARK"), text.toStdString());
  EXPECT_EQ(w.table().fieldByName("NOTE").asString(), "old");  // only the marked box's field
  EXPECT_EQ(memo(1)->toPlainText(), QStringLiteral("第一行\n第二行 abc\n\n末行"));
  // Leaving the box as it shows the memo does not rewrite it.
  QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
  QApplication::sendEvent(memo(1), &leave);
  EXPECT_EQ(w.table().state(), tdb::DataSetState::dsBrowse);

  // Out again, to a name typed without extension: ".txt" is added, the bytes are the file's.
  w.dialogs.fileAnswers.push_back(dir + "out");
  w.engine->fieldFileCommand('m', 2);
  EXPECT_EQ(w.dialogs.shown.last(), QStringLiteral("save: | 备注输出到文件"));
  EXPECT_EQ(fileBytes(dir + "out.txt"), text + "\r\n");

  // An existing file is overwritten only when the user agrees.
  w.engine->fieldFileCommand('m', 0);
  w.dialogs.fileAnswers.push_back(dir + "out.txt");
  w.dialogs.confirmAnswers.push_back(Answer::No);
  w.engine->fieldFileCommand('m', 2);
  EXPECT_EQ(w.dialogs.shown.last(), QStringLiteral("confirm: 确认 | 文本文件") + dir + "out.txt" +
                                        QStringLiteral("已经存在,要覆盖吗?"));
  EXPECT_EQ(fileBytes(dir + "out.txt"), text + "\r\n");
  w.dialogs.fileAnswers.push_back(dir + "out.txt");
  w.dialogs.confirmAnswers.push_back(Answer::Yes);
  w.engine->fieldFileCommand('m', 2);
  EXPECT_TRUE(QFile::exists(dir + "out.txt"));
  EXPECT_EQ(fileBytes(dir + "out.txt"), QByteArray());  // an empty memo: no lines

  // A cancelled dialog does nothing.
  w.dialogs.fileAnswers.push_back(std::nullopt);
  w.engine->fieldFileCommand('m', 1);
  EXPECT_EQ(w.table().state(), tdb::DataSetState::dsBrowse);
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

TEST_F(FieldFiles, APictureGoesToABitmapFileAndBack) {
  // The stored picture out to a name without extension: a ".BMP" file with its pixels.
  QTest::mousePress(picture(0), Qt::RightButton);
  w.dialogs.fileAnswers.push_back(dir + "pic");
  w.engine->fieldFileCommand('p', 2);
  EXPECT_EQ(w.dialogs.shown.last(), QStringLiteral("save: | 图象输出到文件"));
  QImage written(dir + "pic.BMP");
  ASSERT_FALSE(written.isNull());
  EXPECT_EQ(QImageReader(dir + "pic.BMP").format(), QByteArray("bmp"));
  EXPECT_EQ(written.convertToFormat(QImage::Format_RGB32), sampleImage());

  // Into the other picture field: a BMP file goes in as it is, and the box shows it.
  QImage other(2, 2, QImage::Format_RGB32);
  other.fill(qRgb(10, 200, 30));
  writeFile(dir + "in.bmp", bmpBytes(other));
  w.engine->enteredit();
  QTest::mousePress(picture(1), Qt::LeftButton);
  w.dialogs.fileAnswers.push_back(dir + "in.bmp");
  w.engine->fieldFileCommand('p', 1);
  EXPECT_EQ(w.dialogs.shown.last(), QStringLiteral("open: | 从文件装入到图象字段"));
  EXPECT_EQ(w.table().state(), tdb::DataSetState::dsBrowse);
  EXPECT_EQ(storedField(w, "LOGO"), bmpBytes(other).toStdString());
  EXPECT_EQ(picture(1)->pixmap().size(), QSize(2, 2));

  // Another picture format under a .bmp name is stored as a bitmap.
  QByteArray png;
  QBuffer out(&png);
  out.open(QIODevice::WriteOnly);
  other.save(&out, "PNG");
  writeFile(dir + "png.bmp", png);
  w.dialogs.fileAnswers.push_back(dir + "png.bmp");
  w.engine->fieldFileCommand('p', 1);
  EXPECT_EQ(storedField(w, "LOGO").substr(0, 2), "BM");

  // Overwriting asks; "no" leaves the file alone.
  writeFile(dir + "keep.bmp", "keep");
  w.dialogs.fileAnswers.push_back(dir + "keep.bmp");
  w.dialogs.confirmAnswers.push_back(Answer::No);
  w.engine->fieldFileCommand('p', 2);
  EXPECT_EQ(w.dialogs.shown.last(), QStringLiteral("confirm: 确认 | 图象文件") + dir + "keep.bmp" +
                                        QStringLiteral("已经存在,要覆盖吗?"));
  EXPECT_EQ(fileBytes(dir + "keep.bmp"), QByteArray("keep"));
  w.dialogs.fileAnswers.push_back(dir + "keep.bmp");
  w.dialogs.confirmAnswers.push_back(Answer::Yes);
  w.engine->fieldFileCommand('p', 2);
  EXPECT_EQ(QImage(dir + "keep.bmp").convertToFormat(QImage::Format_RGB32), other);

  // Cleared, the picture box shows none.
  w.engine->fieldFileCommand('p', 0);
  EXPECT_EQ(storedField(w, "LOGO"), "");
  EXPECT_TRUE(picture(1)->pixmap().isNull());
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

TEST_F(FieldFiles, AFileThatCannotBeReadOrWrittenIsReported) {
  w.engine->enteredit();
  QTest::mousePress(memo(0)->viewport(), Qt::LeftButton);
  w.dialogs.fileAnswers.push_back(dir + "missing.txt");
  w.engine->fieldFileCommand('m', 1);
  ASSERT_EQ(w.dialogs.messages.size(), 1);
  EXPECT_TRUE(w.dialogs.messages[0].contains(dir + "missing.txt"));
  // The record stays in edit state, unposted, its memo as it was.
  EXPECT_EQ(w.table().state(), tdb::DataSetState::dsEdit);
  EXPECT_EQ(w.table().fieldByName("NOTE").asString(), "old");

  writeFile(dir + "junk.bmp", "this is no picture");
  QTest::mousePress(picture(0), Qt::LeftButton);
  w.dialogs.fileAnswers.push_back(dir + "junk.bmp");
  w.engine->fieldFileCommand('p', 1);
  ASSERT_EQ(w.dialogs.messages.size(), 2);
  EXPECT_TRUE(w.dialogs.messages[1].contains(dir + "junk.bmp"));
  EXPECT_EQ(w.table().state(), tdb::DataSetState::dsEdit);
  EXPECT_EQ(w.table().fieldByName("PIC").value().textValue(),
            bmpBytes(sampleImage()).toStdString());

  // Writing into a folder that does not exist.
  w.table().cancel();
  w.dialogs.fileAnswers.push_back(dir + "no/such/folder/out.txt");
  w.engine->fieldFileCommand('m', 2);
  ASSERT_EQ(w.dialogs.messages.size(), 3);
  EXPECT_TRUE(w.dialogs.messages[2].contains(QStringLiteral("out.txt")));
  w.dialogs.fileAnswers.push_back(dir + "no/such/folder/out");
  w.engine->fieldFileCommand('p', 2);
  ASSERT_EQ(w.dialogs.messages.size(), 4);
  EXPECT_TRUE(w.dialogs.messages[3].contains(QStringLiteral("out.BMP")));
  EXPECT_EQ(storedField(w, "NOTE"), "old");
}

}  // namespace
}  // namespace torvanel
