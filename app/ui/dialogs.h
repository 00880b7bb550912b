#pragma once

#include <QString>
#include <exception>
#include <functional>
#include <optional>

namespace torvanel {

// The answer to a confirmation.
enum class Answer { Yes, No, Cancel };

// Every modal interaction of the workbench goes through this service, so that tests can install
// a scripted double and no test ever waits on a real modal dialog.
class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // A modal message box showing `text` with one OK button.
  virtual void message(const QString& text) = 0;

  // A confirmation box titled "确认" with "是[&Y]" and "否[&N]", and "取消" when `withCancel`.
  // Closing the box without a button counts as Cancel when offered, else as No.
  virtual Answer confirm(const QString& text, bool withCancel) = 0;

  // A modal input box. Returns the text the user confirmed; cancelling returns `text` unchanged,
  // so a caller that must have a value simply asks again.
  virtual QString inputBox(const QString& title, const QString& prompt, const QString& text) = 0;
  // The same box for a caller that must know the user cancelled: empty optional then. The default
  // cannot tell, and answers as inputBox does.
  virtual std::optional<QString> inputQuery(const QString& title, const QString& prompt,
                                            const QString& text) {
    return inputBox(title, prompt, text);
  }

  // File dialogs. `filter` is in Qt's form ("数据表 (*.dbf *.db);;所有文件 (*)"). Empty optional
  // when the user cancels. `onCurrent`, when given, hears the file under the dialog's cursor each
  // time the user moves it.
  using FileCursor = std::function<void(const QString&)>;
  virtual std::optional<QString> openFile(const QString& title, const QString& filter,
                                          const QString& folder,
                                          const FileCursor& onCurrent = {}) = 0;
  virtual std::optional<QString> saveFile(const QString& title, const QString& filter,
                                          const QString& folder,
                                          const FileCursor& onCurrent = {}) = 0;
};

// Shows an error's message in a message box: the engine's errors and the workbench's file errors
// carry UTF-8 text.
void showError(const std::exception& e);

// The service in force. The program installs the widget-based one at start-up, tests their double.
Dialogs& dialogs();
void installDialogs(Dialogs* service);

}  // namespace torvanel
