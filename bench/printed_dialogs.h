#pragma once

#include <cstdio>

#include "app/ui/dialogs.h"

namespace bench {

// The dialogs service of the window benchmarks: a message or question would stop an unattended
// run, so each is printed and questions get the answer the run chose.
class PrintedDialogs : public torvanel::Dialogs {
 public:
  explicit PrintedDialogs(torvanel::Answer answer = torvanel::Answer::No) : answer_(answer) {
    torvanel::installDialogs(this);
  }
  ~PrintedDialogs() override { torvanel::installDialogs(nullptr); }

  void message(const QString& text) override {
    std::printf("message: %s\n", text.toUtf8().constData());
  }
  torvanel::Answer confirm(const QString& text, bool) override {
    std::printf("question: %s (%s)\n", text.toUtf8().constData(),
                answer_ == torvanel::Answer::Yes ? "yes" : "no");
    return answer_;
  }
  QString inputBox(const QString&, const QString&, const QString& text) override { return text; }
  std::optional<QString> openFile(const QString&, const QString&, const QString&,
                                  const FileCursor&) override {
    return std::nullopt;
  }
  std::optional<QString> saveFile(const QString&, const QString&, const QString&,
                                  const FileCursor&) override {
    return std::nullopt;
  }

 private:
  torvanel::Answer answer_;
};

}  // namespace bench
