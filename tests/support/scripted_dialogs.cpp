#include "tests/support/scripted_dialogs.h"

#include <gtest/gtest.h>

namespace torvanel::test {

namespace {

// Moves the next scripted answer into `answer`; false (and a test failure) when there is none.
template <typename T>
bool take(std::deque<T>& queue, const QString& what, T& answer) {
  if (queue.empty()) {
    ADD_FAILURE() << "no scripted answer for " << what.toStdString();
    return false;
  }
  answer = std::move(queue.front());
  queue.pop_front();
  return true;
}

}  // namespace

ScriptedDialogs::ScriptedDialogs() { installDialogs(this); }
ScriptedDialogs::~ScriptedDialogs() { installDialogs(nullptr); }

void ScriptedDialogs::message(const QString& text) {
  shown << QStringLiteral("message: | ") + text;
  messages << text;
}

Answer ScriptedDialogs::confirm(const QString& text, bool withCancel) {
  shown << QStringLiteral("confirm: 确认 | ") + text;
  Answer a = Answer::Cancel;
  if (!take(confirmAnswers, QStringLiteral("confirm ") + text, a))
    return withCancel ? Answer::Cancel : Answer::No;
  if (a == Answer::Cancel && !withCancel) ADD_FAILURE() << "cancel is not offered here";
  return a;
}

QString ScriptedDialogs::inputBox(const QString& title, const QString& prompt,
                                  const QString& text) {
  return inputQuery(title, prompt, text).value_or(text);
}

std::optional<QString> ScriptedDialogs::inputQuery(const QString& title, const QString& prompt,
                                                   const QString& text) {
  shown << QStringLiteral("input: %1 | %2 | %3").arg(title, prompt, text);
  std::optional<QString> a;
  take(inputAnswers, QStringLiteral("input ") + title, a);
  return a;
}

void ScriptedDialogs::moveCursor(const FileCursor& onCurrent) {
  if (fileCursors.empty()) return;
  const QStringList files = fileCursors.front();
  fileCursors.pop_front();
  for (const QString& f : files) {
    shown << QStringLiteral("cursor: | ") + f;
    if (onCurrent) onCurrent(f);
  }
}

std::optional<QString> ScriptedDialogs::openFile(const QString& title, const QString&,
                                                 const QString&, const FileCursor& onCurrent) {
  shown << QStringLiteral("open: | ") + title;
  moveCursor(onCurrent);
  std::optional<QString> a;
  take(fileAnswers, QStringLiteral("open ") + title, a);
  return a;
}

std::optional<QString> ScriptedDialogs::saveFile(const QString& title, const QString&,
                                                 const QString&, const FileCursor& onCurrent) {
  shown << QStringLiteral("save: | ") + title;
  moveCursor(onCurrent);
  std::optional<QString> a;
  take(fileAnswers, QStringLiteral("save ") + title, a);
  return a;
}

}  // namespace torvanel::test
