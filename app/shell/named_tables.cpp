#include "app/shell/named_tables.h"

#include <QFile>
#include <QFileInfo>

#include "app/common/table_argument.h"
#include "app/shell/main_window.h"
#include "app/ui/dialogs.h"
#include "app/windows/table_window_text.h"

namespace torvanel {

TableRef namedTable(const std::string& argument) {
  const TableArgument named = splitTableArgument(argument);
  if (named.alias)
    return {QFile::decodeName(QByteArray::fromStdString(named.database)),
            QFile::decodeName(QByteArray::fromStdString(named.table))};
  const QFileInfo file(QFile::decodeName(QByteArray::fromStdString(argument)));
  return {file.absolutePath() + QLatin1Char('/'), file.fileName()};
}

void openNamedTables(TForm0& main, const std::vector<std::string>& arguments) {
  for (const std::string& argument : arguments) {
    try {
      main.openTable(namedTable(argument));
    } catch (const TableArgumentError&) {
      dialogs().message(
          unopenableTableText(QFile::decodeName(QByteArray::fromStdString(argument))));
    }
  }
}

}  // namespace torvanel
