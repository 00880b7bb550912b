#pragma once

#include <QString>
#include <stdexcept>

namespace torvanel {

// A file of the system could not be read or written. what() is UTF-8 and names the file.
class FileError : public std::runtime_error {
 public:
  explicit FileError(const QString& message) : std::runtime_error(message.toStdString()) {}
  QString text() const { return QString::fromUtf8(what()); }
};

}  // namespace torvanel
