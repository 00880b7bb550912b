#pragma once

#include <QString>
#include <string>

namespace torvanel {

// Where a table is, between the screen's text and the engine's names. A table name and a database
// folder (a database name ending in '/') are file names: they reach the engine as the bytes the
// file system holds, so a file named in any characters opens. An alias name is text of the
// engine's GBK alias file, so it travels as GBK. GBK applies to a file name only where the program
// stores it in one of its own GBK files.
std::string engineDatabaseName(const QString& database);
QString databaseText(const std::string& engineName);
std::string engineTableName(const QString& table);
QString tableText(const std::string& engineName);

}  // namespace torvanel
