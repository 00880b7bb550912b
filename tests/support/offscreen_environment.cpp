#include "tests/support/offscreen_environment.h"

#include <sys/stat.h>
#include <unistd.h>
#include <QByteArray>
#include <QtGlobal>

namespace torvanel::test {

void prepareOffscreenEnvironment() {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
    const QByteArray dir = "/tmp/torvanel-tests-" + QByteArray::number(getuid());
    mkdir(dir.constData(), 0700);
    qputenv("XDG_RUNTIME_DIR", dir);
  }
}

}  // namespace torvanel::test
