// Reads the input as the project list. Written back and read again it must give the same bytes,
// and every line that splits into a name and a master joins back into itself.
#include <cstdint>
#include <cstdlib>

#include "app/common/text_file.h"
#include "app/projects/project_list_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  torvanel::ProjectList list;
  list.lines = torvanel::gbkLines(input);
  list.selected = list.lines.isEmpty() ? -1 : 0;
  const QByteArray once = torvanel::gbkLineBytes(list.lines);
  if (torvanel::gbkLineBytes(torvanel::gbkLines(once)) != once) abort();

  for (const QString& line : list.lines) {
    torvanel::ProjectListEntry entry;
    if (torvanel::splitListLine(line, entry) &&
        torvanel::listLine(entry.name, entry.master) != line)
      abort();
  }
  const qsizetype count = list.lines.size();
  list.removeSelected();
  if (list.lines.size() != (count ? count - 1 : 0)) abort();
  if (list.lines.isEmpty() ? list.selected != -1 : !list.selectedLine()) abort();
  return 0;
}
