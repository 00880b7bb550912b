#pragma once

#include <QString>
#include <QTemporaryDir>

namespace torvanel::test {

// A fresh program folder for one test, removed afterwards. path() ends with '/'.
class TempFolder {
 public:
  TempFolder();
  QString path() const { return dir_.path() + QLatin1Char('/'); }
  QString file(const QString& name) const { return path() + name; }
  // Writes raw bytes to a file of the folder.
  void write(const QString& name, const QByteArray& bytes) const;
  QByteArray read(const QString& name) const;

 private:
  QTemporaryDir dir_;
};

}  // namespace torvanel::test
