#pragma once

#include <QApplication>

namespace torvanel {

// The application object. An exception that escapes a command's handler is the command's failure:
// its message is shown and the command ends there, while the program keeps running.
class TorvanelApplication : public QApplication {
 public:
  TorvanelApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace torvanel
