#include "app/ui/dialogs.h"

#include <cstdio>
#include <cstdlib>

namespace torvanel {

namespace {
Dialogs* installed = nullptr;
}

Dialogs& dialogs() {
  if (!installed) {
    // A modal interaction before start-up installed the service is a programming error; going on
    // would silently drop a question the user must answer.
    std::fputs("torvanel: dialogs service used before it was installed\n", stderr);
    std::abort();
  }
  return *installed;
}

void installDialogs(Dialogs* service) { installed = service; }

void showError(const std::exception& e) { dialogs().message(QString::fromUtf8(e.what())); }

}  // namespace torvanel
