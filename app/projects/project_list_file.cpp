#include "app/projects/project_list_file.h"

#include <QFile>
#include <QFileInfo>

#include "app/common/file_error.h"
#include "app/common/text_file.h"

namespace torvanel {

namespace {
const QString kSplit = QStringLiteral("---");
}

namespace project_list_file {

QString path(const QString& programFolder) {
  return programFolder + QString::fromLatin1(kFileName);
}

bool exists(const QString& programFolder) { return QFileInfo::exists(path(programFolder)); }

QStringList read(const QString& programFolder) {
  if (!exists(programFolder)) return {};
  return readGbkLines(path(programFolder));
}

void write(const QString& programFolder, const QStringList& lines) {
  const QString file = path(programFolder);
  if (!lines.isEmpty()) {
    writeGbkLines(file, lines);
    return;
  }
  QFile f(file);
  if (f.exists() && !f.remove())
    throw FileError(QStringLiteral("文件[%1]无法删除: %2").arg(file, f.errorString()));
}

}  // namespace project_list_file

bool splitListLine(const QString& line, ProjectListEntry& out) {
  const qsizetype split = line.indexOf(kSplit);
  if (split < 0) return false;
  out = {line.left(split), line.mid(split + kSplit.size())};
  return true;
}

QString listLine(const QString& name, const QString& master) { return name + kSplit + master; }

void ProjectList::load(const QString& programFolder) {
  lines = project_list_file::read(programFolder);
  selected = lines.isEmpty() ? -1 : 0;
  loaded = true;
}

const QString* ProjectList::selectedLine() const {
  return selected >= 0 && selected < lines.size() ? &lines[selected] : nullptr;
}

void ProjectList::removeSelected() {
  if (!selectedLine()) return;
  lines.removeAt(selected);
  if (selected >= lines.size()) selected = int(lines.size()) - 1;
}

void ProjectList::save(const QString& programFolder) const {
  project_list_file::write(programFolder, lines);
}

}  // namespace torvanel
