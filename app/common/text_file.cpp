#include "app/common/text_file.h"

#include <QFile>
#include <QSaveFile>

#include "app/common/file_error.h"
#include "app/common/gbk_string.h"

namespace torvanel {

QStringList readGbkLines(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    throw FileError(QStringLiteral("文件[%1]无法读取: %2").arg(path, file.errorString()));
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError)
    throw FileError(QStringLiteral("文件[%1]读取出错: %2").arg(path, file.errorString()));

  QStringList lines;
  qsizetype start = 0;
  while (start < bytes.size()) {
    qsizetype end = bytes.indexOf('\n', start);
    const qsizetype next = end < 0 ? bytes.size() : end + 1;
    if (end < 0) end = bytes.size();
    qsizetype stop = end;
    if (stop > start && bytes[stop - 1] == '\r') --stop;
    lines << fromGbk(bytes.mid(start, stop - start));
    start = next;
  }
  return lines;
}

void writeGbkLines(const QString& path, const QStringList& lines) {
  QByteArray bytes;
  for (const QString& line : lines) {
    bytes += toGbk(line);
    bytes += "\r\n";
  }
  writeFileBytes(path, bytes);
}

void writeFileBytes(const QString& path, const QByteArray& bytes) {
  QSaveFile file(path);
  file.setDirectWriteFallback(false);  // never write in place: the old file must survive a failure
  if (!file.open(QIODevice::WriteOnly))
    throw FileError(QStringLiteral("文件[%1]无法写入: %2").arg(path, file.errorString()));
  if (file.write(bytes) != bytes.size() || !file.commit())
    throw FileError(QStringLiteral("文件[%1]写入失败: %2").arg(path, file.errorString()));
}

}  // namespace torvanel
