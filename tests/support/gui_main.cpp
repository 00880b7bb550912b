// Widget tests need one application object for the whole run.

#include <gtest/gtest.h>

#include <QApplication>

#include "tests/support/offscreen_environment.h"
#ifdef TORVANEL_PRIVATE_CUPS
#include "tests/support/private_cups.h"
#endif

namespace {

// Qt reports a misuse of its widgets (an item view told to close an editor it does not own, a
// failed connection) as a warning and carries on: in a test that is a fault, so it fails the
// test that caused it. Only what the offscreen platform says about itself passes.
void failOnQtWarnings(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type == QtDebugMsg || type == QtInfoMsg) return;
  if (text.contains(QLatin1String("This plugin does not support"))) return;
  ADD_FAILURE() << "Qt warned: " << text.toStdString();
}

}  // namespace

int main(int argc, char** argv) {
  torvanel::test::prepareOffscreenEnvironment();
#ifdef TORVANEL_PRIVATE_CUPS
  // Only the tests' own print scheduler, never the system's queues.
  torvanel::test::PrivateCups::prepare();
#endif
  QApplication app(argc, argv);
  qInstallMessageHandler(failOnQtWarnings);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
