// The file dialogs of the widget-based dialogs service: the question about replacing a file is
// the caller's, in the system's words, so the dialog itself must not ask one first.

#include <gtest/gtest.h>
#include <QApplication>
#include <QFileDialog>
#include <QTimer>

#include "app/ui/widget_dialogs.h"

namespace torvanel {
namespace {

// What the file dialog the service shows was set to, read from inside its modal loop before the
// user cancels it.
struct SeenDialog {
  bool shown = false;
  QFileDialog::Options options;
  QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
};

TEST(FileDialogs, SavingLeavesTheQuestionAboutReplacingToTheCaller) {
  WidgetDialogs widgets;
  Dialogs& service = widgets;
  for (const bool save : {true, false}) {
    SeenDialog seen;
    QTimer::singleShot(0, [&seen] {
      if (auto* box = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
        seen.shown = true;
        seen.options = box->options();
        seen.mode = box->acceptMode();
        box->reject();
      }
    });
    const auto chosen = save ? service.saveFile(QStringLiteral("备注输出到文件"),
                                                QStringLiteral("文本文件(*.txt)"), QString())
                             : service.openFile(QStringLiteral("从文件装入到备注字段"),
                                                QStringLiteral("文本文件(*.txt)"), QString());
    EXPECT_FALSE(chosen.has_value());
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(seen.mode, save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    EXPECT_TRUE(seen.options.testFlag(QFileDialog::DontConfirmOverwrite));
  }
}

}  // namespace
}  // namespace torvanel
