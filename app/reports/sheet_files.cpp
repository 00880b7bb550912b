#include "app/reports/sheet_files.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include "app/reports/output_error.h"
#include "app/reports/sheet_painter.h"

namespace torvanel {

namespace {

QString cannotWrite(const QString& path, const QString& reason) {
  return QStringLiteral("文件[%1]无法写入: %2").arg(QDir::toNativeSeparators(path), reason);
}

// A file replaced only when it is whole: the bytes go to a temporary file beside it, renamed
// over it by finish().
class WholeFile {
 public:
  explicit WholeFile(const QString& path) : file_(path) {
    file_.setDirectWriteFallback(false);
    if (!file_.open(QIODevice::WriteOnly))
      throw OutputError(cannotWrite(path, file_.errorString()));
  }
  QIODevice* device() { return &file_; }
  void finish() {
    if (!file_.commit()) throw OutputError(cannotWrite(file_.fileName(), file_.errorString()));
  }
  [[noreturn]] void fail(const QString& reason) {
    throw OutputError(cannotWrite(file_.fileName(), reason));
  }

 private:
  QSaveFile file_;
};

}  // namespace

QPageLayout sheetPageLayout(const Sheet& sheet) {
  const QPageSize paper(QSizeF(sheet.paperWidthMm, sheet.paperHeightMm), QPageSize::Millimeter,
                        QString(), QPageSize::ExactMatch);
  return QPageLayout(paper, sheet.landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                     QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

void writeSheetsPdf(const QString& path, int count, const SheetSource& sheetAt) {
  WholeFile file(path);
  {
    QPdfWriter writer(file.device());
    writer.setCreator(QStringLiteral("数据表工作台"));
    QPainter painter;
    for (int i = 0; i < count; ++i) {
      const Sheet sheet = sheetAt(i);
      // Each page takes its own sheet's paper; a new layout applies from the next page on.
      if (!writer.setPageLayout(sheetPageLayout(sheet))) file.fail(QStringLiteral("纸张大小不对"));
      if (i == 0 ? !painter.begin(&writer) : !writer.newPage())
        file.fail(QStringLiteral("不能开始第%1页").arg(i + 1));
      paintSheetOnDevice(painter, sheet);
    }
    if (painter.isActive() && !painter.end()) file.fail(QStringLiteral("不能完成文档"));
  }
  file.finish();
}

QStringList writeSheetsPng(const QString& folder, int count, int lastPage,
                           const SheetSource& sheetAt) {
  if (!QDir().mkpath(folder))
    throw OutputError(QStringLiteral("文件夹[%1]无法建立").arg(QDir::toNativeSeparators(folder)));
  const int digits = static_cast<int>(QString::number(qMax(lastPage, 0)).size());
  QStringList written;
  for (int i = 0; i < count; ++i) {
    const Sheet sheet = sheetAt(i);
    const int page = sheet.pages.empty() ? 0 : sheet.pages.front();
    const QString path =
        QDir(folder).filePath(QStringLiteral("第%1页.png").arg(page, digits, 10, QLatin1Char('0')));
    WholeFile file(path);
    if (!sheetImage(sheet).save(file.device(), "PNG")) file.fail(QStringLiteral("图片无法保存"));
    file.finish();
    written << path;
  }
  return written;
}

}  // namespace torvanel
