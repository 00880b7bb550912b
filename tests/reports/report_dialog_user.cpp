#include "tests/reports/report_dialog_user.h"

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace torvanel::test {

namespace {
std::string utf8(const QString& s) { return s.toStdString(); }
}  // namespace

QAbstractButton* buttonOf(QWidget* dialog, const QString& text, const QString& group) {
  QList<QAbstractButton*> found;
  for (QAbstractButton* b : dialog->findChildren<QAbstractButton*>()) {
    if (!b->isVisible() || (b->text() != text && b->toolTip() != text)) continue;
    auto* box = qobject_cast<QGroupBox*>(b->parentWidget());
    if (!group.isEmpty() ? box && box->title() == group : !box) found << b;
  }
  if (found.size() != 1)
    ADD_FAILURE() << found.size() << " buttons " << utf8(text) << " in " << utf8(group);
  return found.size() == 1 ? found[0] : nullptr;
}

QWidget* hinted(QWidget* dialog, const QString& hint) {
  for (QWidget* w : dialog->findChildren<QWidget*>())
    if (w->isVisible() && w->toolTip() == hint) return w;
  ADD_FAILURE() << "nothing hinted " << utf8(hint);
  return nullptr;
}

QWidget* boxBesideLabel(QWidget* dialog, const QString& label) {
  for (QLabel* l : dialog->findChildren<QLabel*>())
    if (l->isVisible() && l->text() == label && l->buddy()) return l->buddy();
  ADD_FAILURE() << "no box labelled " << utf8(label);
  return nullptr;
}

void chooseFromArrow(QToolButton* button, const QString& caption) {
  ASSERT_TRUE(button);
  bool chosen = false;
  // The menu runs its own loop once the arrow is pressed.
  QTimer::singleShot(0, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu) return;
    for (QAction* a : menu->actions()) {
      if (a->text() != caption) continue;
      const QPoint at = menu->actionGeometry(a).center();
      QTest::mouseMove(menu, at);
      QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, at);
      chosen = true;
      return;
    }
    menu->close();
  });
  QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier,
                    QPoint(button->width() - 4, button->height() / 2));
  QApplication::processEvents();
  // The closed menu hands the activation back to the dialog, as a window manager does.
  QApplication::setActiveWindow(button->window());
  EXPECT_TRUE(chosen) << "no menu item " << utf8(caption);
}

}  // namespace torvanel::test
