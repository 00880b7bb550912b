// Report template files from arbitrary bytes. Reading must either fail with FileError or give a
// template whose values lie in their ranges; writing that template and reading it back must give
// the same file again (write(read(x)) is a fixed point). A count in the file never makes the
// reader allocate more than the file's own lines hold.

#include <QByteArray>
#include <QFile>
#include <cstdint>
#include <cstdlib>

#include "app/common/file_error.h"
#include "app/reports/template_file.h"
#include "fuzz/scratch_folder.h"

namespace {

QString path(const char* name) {
  return QString::fromStdString(scratchFolder("report_template_fuzz")) + QLatin1String(name);
}

QByteArray readBytes(const QString& file) {
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly)) abort();
  return f.readAll();
}

void checkRanges(const torvanel::ReportTemplate& t) {
  using namespace torvanel;
  if (t.paperType < 0 || t.paperType > 8 || t.tablesAcross < 1 || t.tablesAcross > 10) abort();
  if (t.paperWidth < std::max(1, t.leftMargin + t.rightMargin)) abort();
  if (t.paperHeight < std::max(1, t.topMargin + t.bottomMargin)) abort();
  if (static_cast<int>(t.ruleStyle) > 3 || static_cast<int>(t.lineStyle) > 3) abort();
  for (const TextSection& s : t.sections)
    if (s.size < 5 || s.size > 72 || s.spacing < 0 || s.spacing > 30) abort();
  if (t.grid.columns.empty()) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace torvanel;
  {
    QFile input(path("input.ts0"));
    if (!input.open(QIODevice::WriteOnly)) abort();
    input.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
  }
  ReportTemplate t;
  try {
    t = readTemplateFile(path("input.ts0"));
  } catch (const FileError&) {
    return 0;
  }
  checkRanges(t);
  // Text that GBK cannot hold (a damaged byte read as a replacement character) is written as
  // "?" once; from then on the file stays as it is.
  writeTemplateFile(path("once.ts0"), t);
  const ReportTemplate once = readTemplateFile(path("once.ts0"));
  writeTemplateFile(path("twice.ts0"), once);
  if (readBytes(path("once.ts0")) != readBytes(path("twice.ts0"))) abort();
  return 0;
}
