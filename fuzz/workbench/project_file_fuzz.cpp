// Reads the input as a project file on a master with a few fields. Whatever the reader makes of
// it, complete or stopped by damage, is written and read again: that second file must read without
// error and write the very same bytes, or the writer made a file the reader misreads.
#include <cstdint>
#include <cstdlib>

#include "app/common/file_error.h"
#include "app/common/text_file.h"
#include "app/projects/project_file.h"
#include "app/projects/project_text_check.h"

namespace {

torvanel::ProjectDefinition read(const QByteArray& bytes) {
  torvanel::ProjectDefinition p;
  p.master = QStringLiteral("[DB]MASTER.DBF");
  for (const char* field : {"NAME", "PRICE", "数量"})
    p.formulas << torvanel::FieldFormula{QString::fromUtf8(field), {}};
  try {
    torvanel::project_file::applyLines(torvanel::gbkLines(bytes), p);
  } catch (const torvanel::FileError&) {
    // What was read before the damage stands, and is written below like any other project.
  }
  if (p.pages.isEmpty() || p.pages.size() > torvanel::project_file::kMaxPages) abort();
  for (const auto& page : p.pages)
    if (page.rows.isEmpty()) abort();
  return p;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  torvanel::ProjectDefinition first = read(input);
  const QByteArray once = torvanel::project_file::toBytes(first);
  torvanel::ProjectDefinition second = read(once);
  try {
    torvanel::project_file::applyLines(torvanel::gbkLines(once), second);
  } catch (const torvanel::FileError&) {
    abort();  // a file the writer made is never damaged
  }
  if (torvanel::project_file::toBytes(second) != once) abort();

  // The designer's check and cleaning take whatever a file held.
  torvanel::projectTextProblem(first);
  torvanel::removeLineBreaks(first);
  return 0;
}
