#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>
#include <QFile>

namespace torvanel::test {

TempFolder::TempFolder() { EXPECT_TRUE(dir_.isValid()); }

void TempFolder::write(const QString& name, const QByteArray& bytes) const {
  QFile f(file(name));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  ASSERT_EQ(f.write(bytes), bytes.size());
}

QByteArray TempFolder::read(const QString& name) const {
  QFile f(file(name));
  EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
  return f.readAll();
}

}  // namespace torvanel::test
