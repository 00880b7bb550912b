#include "app/common/table_names.h"

#include <QFile>

#include "app/common/gbk_string.h"

namespace torvanel {

namespace {

bool isFolder(const QString& database) { return database.endsWith(QLatin1Char('/')); }

}  // namespace

std::string engineDatabaseName(const QString& database) {
  return isFolder(database) ? QFile::encodeName(database).toStdString() : gbkText(database);
}

QString databaseText(const std::string& engineName) {
  return !engineName.empty() && engineName.back() == '/'
             ? QFile::decodeName(QByteArray::fromStdString(engineName))
             : fromGbk(engineName);
}

std::string engineTableName(const QString& table) { return QFile::encodeName(table).toStdString(); }

QString tableText(const std::string& engineName) {
  return QFile::decodeName(QByteArray::fromStdString(engineName));
}

}  // namespace torvanel
