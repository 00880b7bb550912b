// The report output tests draw text, so they need an application object with fonts; they run on
// Qt's offscreen platform and need no display. Failures the tests provoke on purpose make Qt warn,
// which is expected here.

#include <gtest/gtest.h>

#include <QGuiApplication>

#include "tests/support/offscreen_environment.h"

int main(int argc, char** argv) {
  torvanel::test::prepareOffscreenEnvironment();
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
