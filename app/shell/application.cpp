#include "app/shell/application.h"

#include <exception>

#include "app/ui/dialogs.h"

namespace torvanel {

TorvanelApplication::TorvanelApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("torvanel"));
}

bool TorvanelApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    showError(e);
  }
  return false;
}

}  // namespace torvanel
