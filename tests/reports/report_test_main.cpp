// The report output tests draw text, so they need an application object with fonts; they run on
// Qt's offscreen platform and need no display. Failures the tests provoke on purpose make Qt warn,
// which is expected here.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <QGuiApplication>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
    const QByteArray dir = "/tmp/torvanel-tests-" + QByteArray::number(getuid());
    mkdir(dir.constData(), 0700);
    qputenv("XDG_RUNTIME_DIR", dir);
  }
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
