#include "app/common/text_file.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

#include "app/common/file_error.h"
#include "app/common/gbk_string.h"

namespace torvanel {

namespace {

QByteArray readBytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    throw FileError(QStringLiteral("文件[%1]无法读取: %2").arg(path, file.errorString()));
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError)
    throw FileError(QStringLiteral("文件[%1]读取出错: %2").arg(path, file.errorString()));
  return bytes;
}

// The text's lines without their ends (CR LF, LF, or a CR before the end); a final line end
// starts no empty last line.
QStringList splitLines(const QString& text) {
  QStringList lines;
  qsizetype start = 0;
  while (start < text.size()) {
    qsizetype end = text.indexOf(QLatin1Char('\n'), start);
    const qsizetype next = end < 0 ? text.size() : end + 1;
    if (end < 0) end = text.size();
    qsizetype stop = end;
    if (stop > start && text[stop - 1] == QLatin1Char('\r')) --stop;
    lines << text.mid(start, stop - start);
    start = next;
  }
  return lines;
}

}  // namespace

QStringList readGbkLines(const QString& path) { return gbkLines(readBytes(path)); }

QStringList gbkLines(const QByteArray& bytes) { return splitLines(fromGbk(bytes)); }

QByteArray gbkLineBytes(const QStringList& lines) {
  QByteArray bytes;
  for (const QString& line : lines) {
    bytes += toGbk(line);
    bytes += "\r\n";
  }
  return bytes;
}

QStringList readTextLines(const QString& path) {
  const QByteArray bytes = readBytes(path);
  bool ascii = true;
  for (const char c : bytes) ascii &= static_cast<unsigned char>(c) < 0x80;
  if (!ascii) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError()) return splitLines(text);
  }
  return splitLines(fromGbk(bytes));
}

void writeGbkLines(const QString& path, const QStringList& lines) {
  writeFileBytes(path, gbkLineBytes(lines));
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
