#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <optional>

#include "app/ui/dialogs.h"

namespace torvanel::test {

// The dialogs service for tests: records every text shown, in order, and answers from queues the
// test fills. A question with no scripted answer fails the test and is answered by cancelling.
class ScriptedDialogs : public Dialogs {
 public:
  ScriptedDialogs();   // installs itself
  ~ScriptedDialogs();  // and uninstalls

  // Each entry: kind ("message", "confirm", "input", "open", "save") + ": " + title + " | " + text.
  QStringList shown;
  // Only the texts of messages, for the common assertion.
  QStringList messages;

  std::deque<Answer> confirmAnswers;
  std::deque<std::optional<QString>> inputAnswers;  // nullopt: the user cancels
  std::deque<std::optional<QString>> fileAnswers;

  void message(const QString& text) override;
  Answer confirm(const QString& text, bool withCancel) override;
  QString inputBox(const QString& title, const QString& prompt, const QString& text) override;
  std::optional<QString> inputQuery(const QString& title, const QString& prompt,
                                    const QString& text) override;
  // Before answering a file dialog, its cursor moves over the next list of fileCursors (when
  // there is one), each file told to the caller's onCurrent.
  std::deque<QStringList> fileCursors;
  std::optional<QString> openFile(const QString& title, const QString& filter,
                                  const QString& folder, const FileCursor& onCurrent) override;
  std::optional<QString> saveFile(const QString& title, const QString& filter,
                                  const QString& folder, const FileCursor& onCurrent) override;

 private:
  void moveCursor(const FileCursor& onCurrent);
};

}  // namespace torvanel::test
