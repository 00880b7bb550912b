#pragma once

#include <QString>

namespace torvanel {

// A chosen table: a database (an alias, or for a file anywhere the file's folder with its
// trailing separator) and a table name. Its text form is "[" + database + "]" + table.
struct TableRef {
  QString database;
  QString table;

  QString text() const { return QStringLiteral("[") + database + QStringLiteral("]") + table; }
  // The database is the text between the leading "[" and the first "]", the table what follows.
  static TableRef parse(const QString& text);
};

}  // namespace torvanel
