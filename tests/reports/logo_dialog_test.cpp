// The logo dialog as a user works it: a bitmap loaded through the file dialog, the logo dragged
// and sized with the mouse or placed through the number boxes, cleared, 确认 or 取消; the bitmap
// file beside the template and the template's logo place checked on disk.

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSpinBox>
#include <QTest>

#include "app/reports/logo_dialog.h"
#include "app/reports/logo_page.h"
#include "app/reports/report_dialog_parts.h"
#include "app/reports/template_file.h"
#include "tests/reports/report_dialog_user.h"
#include "tests/windows/workbench.h"

namespace torvanel {
namespace {

// A small bitmap: white with a blue block.
QImage samplePicture() {
  QImage picture(40, 20, QImage::Format_RGB32);
  picture.fill(Qt::white);
  QPainter(&picture).fillRect(10, 5, 20, 10, Qt::blue);
  return picture;
}

struct LogoDialogTest : ::testing::Test {
  test::Workbench w;
  test::User& u = w.user;
  test::TempFolder folder;
  QString logoFile =
      logoPath(folder.path(), QStringLiteral("orders.ts0"), QStringLiteral("orders"));
  ReportTemplate t;
  TForm6 dialog{&w.main};

  LogoDialogTest() {
    writeTemplateFile(folder.file(QStringLiteral("orders.ts0")), defaultTemplate());
    t = readTemplateFile(folder.file(QStringLiteral("orders.ts0")));
    saveBitmap(QStringLiteral("图.bmp"), samplePicture());
  }

  // Writes `picture` as the bitmap file `name` of the folder and gives its bytes.
  QByteArray saveBitmap(const QString& name, const QImage& picture) {
    EXPECT_TRUE(picture.save(folder.file(name), "BMP"));
    return folder.read(name);
  }

  bool edit(const std::function<void()>& steps) {
    u.whileModal([&](QDialog*) { steps(); });
    return dialog.editLogo(t, logoFile);
  }
  void click(const QString& text, const QString& group = {}) {
    u.click(test::buttonOf(&dialog, text, group));
  }
  void typeBox(const QString& label, int value) {
    u.replaceText(test::boxBesideLabel(&dialog, label), QString::number(value));
    u.press(Qt::Key_Tab);
  }
  int box(const QString& label) {
    return qobject_cast<QSpinBox*>(test::boxBesideLabel(&dialog, label))->value();
  }
  void load(const QString& name) {
    w.dialogs.fileAnswers.push_back(folder.file(name));
    click(QStringLiteral("装入图形"));
  }
  // Drags on the page picture from `from` by `mm` millimetres each way.
  void drag(QPoint from, QPoint mm) {
    LogoPage* page = dialog.page();
    const int dpi = page->logicalDpiX();
    const QPoint to = from + QPoint(mmToPixels(mm.x(), dpi), mmToPixels(mm.y(), dpi));
    QTest::mousePress(page, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(page, (from + to) / 2);
    QTest::mouseMove(page, to);
    QTest::mouseRelease(page, Qt::LeftButton, Qt::NoModifier, to);
  }
  ReportTemplate stored() {
    writeTemplateFile(folder.file(QStringLiteral("orders.ts0")), t);
    return readTemplateFile(folder.file(QStringLiteral("orders.ts0")));
  }
};

TEST_F(LogoDialogTest, ALoadedBitmapMovedAndSizedWithTheMouseIsStoredBesideTheTemplate) {
  EXPECT_TRUE(logoFile.endsWith(QStringLiteral("/ordersts0.bmp")));
  const bool changed = edit([&] {
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("报表徽标"));
    load(QStringLiteral("图.bmp"));
    drag(dialog.page()->placeInPixels().center(), {30, 40});
    EXPECT_EQ(box(QStringLiteral("距左边(mm):")), 30);
    EXPECT_EQ(box(QStringLiteral("距上边(mm):")), 40);
    drag(dialog.page()->placeInPixels().bottomRight() - QPoint(2, 2), {40, 15});
    EXPECT_EQ(box(QStringLiteral("宽度(mm):")), 50);
    EXPECT_EQ(box(QStringLiteral("高度(mm):")), 25);
    // Dragged past the page's edge, the logo stops at it.
    drag(dialog.page()->placeInPixels().center(), {300, 0});
    EXPECT_EQ(box(QStringLiteral("距左边(mm):")), 210 - 50);
    click(QStringLiteral("确认"));
  });
  EXPECT_TRUE(changed);
  EXPECT_TRUE(w.dialogs.messages.isEmpty()) << w.dialogs.messages.join('|').toStdString();
  const ReportTemplate back = stored();
  EXPECT_EQ(back.logoLeft, 160);
  EXPECT_EQ(back.logoTop, 40);
  EXPECT_EQ(back.logoWidth, 50);
  EXPECT_EQ(back.logoHeight, 25);
  ASSERT_TRUE(QFile::exists(logoFile));
  EXPECT_TRUE(folder.read(QStringLiteral("ordersts0.bmp")).startsWith("BM"));
  EXPECT_EQ(QImage(logoFile).convertToFormat(QImage::Format_RGB32), samplePicture());
  // Written under a temporary name and renamed: nothing else is left in the folder.
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files, QDir::Name),
            QStringList({QStringLiteral("orders.ts0"), QStringLiteral("ordersts0.bmp"),
                         QStringLiteral("图.bmp")}));
}

TEST_F(LogoDialogTest, ThePositionAndSizeButtonsKeepTheLogoOnThePage) {
  t.logoWidth = 50;
  const bool changed = edit([&] {
    typeBox(QStringLiteral("距左边(mm):"), 180);
    typeBox(QStringLiteral("距上边(mm):"), 10);
    click(QStringLiteral("确认"), QStringLiteral("边界距离:"));
    EXPECT_EQ(box(QStringLiteral("距左边(mm):")), 160);
    EXPECT_EQ(box(QStringLiteral("距上边(mm):")), 10);
    typeBox(QStringLiteral("宽度(mm):"), 100);
    typeBox(QStringLiteral("高度(mm):"), 297);
    click(QStringLiteral("确认"), QStringLiteral("图形尺寸:"));
    EXPECT_EQ(box(QStringLiteral("宽度(mm):")), 50);
    EXPECT_EQ(box(QStringLiteral("高度(mm):")), 287);
    click(QStringLiteral("透明背景:"));
    click(QStringLiteral("确认"));
  });
  EXPECT_TRUE(changed);
  const ReportTemplate back = stored();
  EXPECT_EQ(back.logoLeft, 160);
  EXPECT_EQ(back.logoTop, 10);
  EXPECT_EQ(back.logoWidth, 50);
  EXPECT_EQ(back.logoHeight, 287);
  EXPECT_FALSE(back.logoTransparent);
  EXPECT_FALSE(QFile::exists(logoFile));  // no picture was loaded: nothing written
}

TEST_F(LogoDialogTest, ClearingDeletesOnlyThisTemplatesBitmapAndOnlyAtConfirm) {
  const QByteArray own = saveBitmap(QStringLiteral("ordersts0.bmp"), samplePicture());
  const QByteArray other = saveBitmap(QStringLiteral("ordersts1.bmp"), samplePicture().mirrored());
  const QStringList before = templateLines(t);

  EXPECT_FALSE(edit([&] {
    click(QStringLiteral("清除图形"));
    typeBox(QStringLiteral("距左边(mm):"), 20);
    click(QStringLiteral("确认"), QStringLiteral("边界距离:"));
    click(QStringLiteral("取消"));
  }));
  EXPECT_EQ(templateLines(t), before);
  EXPECT_EQ(folder.read(QStringLiteral("ordersts0.bmp")), own);

  EXPECT_TRUE(edit([&] {
    click(QStringLiteral("清除图形"));
    click(QStringLiteral("确认"));
  }));
  EXPECT_FALSE(QFile::exists(logoFile));
  EXPECT_EQ(folder.read(QStringLiteral("ordersts1.bmp")), other);
}

TEST_F(LogoDialogTest, DamagedBitmapsChangeNothingAndAnUnchangedLogoKeepsItsBytes) {
  // Bytes after the picture's end are not part of it; rewriting the file would lose them.
  const QByteArray own =
      saveBitmap(QStringLiteral("ordersts0.bmp"), samplePicture()) + QByteArray("trailing bytes");
  folder.write(QStringLiteral("ordersts0.bmp"), own);
  folder.write(QStringLiteral("坏.bmp"), QByteArray("BM") + QByteArray(60, '\x7f'));
  t.logoLeft = 5;
  const bool changed = edit([&] {
    load(QStringLiteral("坏.bmp"));
    ASSERT_EQ(w.dialogs.messages.size(), 1);
    EXPECT_TRUE(w.dialogs.messages[0].contains(QStringLiteral("坏.bmp")));
    click(QStringLiteral("确认"));
  });
  EXPECT_TRUE(changed);
  EXPECT_EQ(folder.read(QStringLiteral("ordersts0.bmp")), own);
  EXPECT_EQ(stored().logoLeft, 5);

  // A logo file that cannot be read is reported on opening, and 确认 does not delete it.
  const QByteArray damaged = QByteArray("BM") + QByteArray(60, '\x7f');
  folder.write(QStringLiteral("ordersts0.bmp"), damaged);
  EXPECT_TRUE(edit([&] { click(QStringLiteral("确认")); }));
  ASSERT_EQ(w.dialogs.messages.size(), 2);
  EXPECT_TRUE(w.dialogs.messages[1].contains(QStringLiteral("ordersts0.bmp")));
  EXPECT_EQ(folder.read(QStringLiteral("ordersts0.bmp")), damaged);
}

TEST_F(LogoDialogTest, ABitmapThatCannotBeWrittenIsReportedAndNothingChanges) {
  logoFile = folder.file(QStringLiteral("没有的目录/ordersts0.bmp"));
  const QStringList before = templateLines(t);
  const bool changed = edit([&] {
    load(QStringLiteral("图.bmp"));
    typeBox(QStringLiteral("距左边(mm):"), 20);
    click(QStringLiteral("确认"), QStringLiteral("边界距离:"));
    click(QStringLiteral("确认"));
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_EQ(w.dialogs.messages.size(), 1);
    EXPECT_TRUE(w.dialogs.messages[0].contains(QStringLiteral("无法写入")))
        << w.dialogs.messages[0].toStdString();
    click(QStringLiteral("取消"));
  });
  EXPECT_FALSE(changed);
  EXPECT_EQ(templateLines(t), before);
}

}  // namespace
}  // namespace torvanel
