#pragma once

#include <QString>
#include <stdexcept>

namespace torvanel {

// A report could not be written or printed: a file that cannot be written, a printer that
// refuses. what() is UTF-8, Chinese, and names the file or printer.
class OutputError : public std::runtime_error {
 public:
  explicit OutputError(const QString& message) : std::runtime_error(message.toStdString()) {}
  QString text() const { return QString::fromUtf8(what()); }
};

}  // namespace torvanel
