#include "tests/support/user_actions.h"

#include <gtest/gtest.h>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "app/shell/main_window.h"
#include "app/windows/table_window.h"

namespace torvanel::test {

namespace {

std::string utf8(const QString& s) { return s.toStdString(); }

// The part of a widget that takes mouse clicks: a scroll area's viewport, an editable combo
// box's line edit.
QWidget* clickTarget(QWidget* w) {
  if (auto* area = qobject_cast<QAbstractScrollArea*>(w)) return area->viewport();
  if (auto* combo = qobject_cast<QComboBox*>(w); combo && combo->lineEdit())
    return combo->lineEdit();
  return w;
}

// A click on a window activates it, as a window manager does; offscreen no window activates
// itself, and the keys that follow would go to another window.
void activateWindowOf(QWidget* widget) {
  QWidget* top = widget->window();
  if (QApplication::activeWindow() != top && !QApplication::activePopupWidget())
    QApplication::setActiveWindow(top);
}

// The first shown widget of type T in `window` that `match` accepts.
template <class T, class Match>
T* findShown(QWidget* window, Match match) {
  if (!window) return nullptr;
  for (T* c : window->findChildren<T*>())
    if (c->isVisible() && match(c)) return c;
  return nullptr;
}

// The toolbar button of the main window whose hint is `hint`.
QToolButton* toolButton(const TForm0& main, const QString& hint) {
  for (QToolBar* bar : main.findChildren<QToolBar*>())
    for (QAction* a : bar->actions())
      if (a->toolTip() == hint) return qobject_cast<QToolButton*>(bar->widgetForAction(a));
  return nullptr;
}

// The menu bar's entry holding the item `caption` (the entry itself for a menu without items),
// and the item.
std::pair<QAction*, QAction*> menuItem(const TForm0& main, const QString& caption) {
  for (QAction* top : main.menuBar()->actions()) {
    if (!top->menu()) {
      if (top->text() == caption) return {top, top};
      continue;
    }
    for (QAction* item : top->menu()->actions())
      if (!item->isSeparator() && item->text() == caption) return {top, item};
  }
  return {nullptr, nullptr};
}

// True for a widget inside a child window.
bool inChildWindow(const QWidget* w) {
  for (; w; w = w->parentWidget())
    if (qobject_cast<const TForm11*>(w)) return true;
  return false;
}

// The visible widgets of type T outside the child windows: on the main window, its panels and
// the dialogs it owns.
template <typename T>
QList<T*> outsideWindows(const TForm0& main) {
  QList<T*> out;
  for (T* w : main.findChildren<T*>())
    if (w->isVisible() && !inChildWindow(w)) out << w;
  return out;
}

}  // namespace

void User::activate() {
  main_.show();
  // Offscreen, showing a window does not make it active, and without an active window no widget
  // gets the focus: keys would go nowhere.
  QApplication::setActiveWindow(&main_);
  main_.activateWindow();
  QApplication::processEvents();
  EXPECT_EQ(QApplication::activeWindow(), &main_);
}

QWidget* User::focus() { return QApplication::focusWidget(); }

void User::settle() {
  QApplication::processEvents();
  // A window manager gives the activation back when a pop-up or a dialog closes, to the modal
  // dialog still open or else the main window; the offscreen platform leaves the closed one
  // active, and then no widget takes the focus.
  const QWidget* active = QApplication::activeWindow();
  if (!QApplication::activePopupWidget() && (!active || !active->isVisible())) {
    QWidget* modal = QApplication::activeModalWidget();
    QApplication::setActiveWindow(modal ? modal : &main_);
  }
}

// ---------------------------------------------------------------- the main window

void User::menu(const QString& caption) {
  const auto [top, item] = menuItem(main_, caption);
  if (!item) {
    ADD_FAILURE() << "no menu item " << utf8(caption);
    return;
  }
  QMenuBar* bar = main_.menuBar();
  if (!top->isEnabled() || !item->isEnabled()) {
    ADD_FAILURE() << "menu item " << utf8(caption) << " is disabled";
    return;
  }
  activateWindowOf(bar);
  QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->actionGeometry(top).center());
  settle();
  if (top == item) return;  // a menu without items acts itself
  QMenu* menu = top->menu();
  if (!menu->isVisible()) {
    ADD_FAILURE() << "the menu of " << utf8(caption) << " did not open";
    return;
  }
  clickAction(menu, caption);
}

void User::clickAction(QMenu* menu, const QString& caption) {
  for (QAction* a : menu->actions()) {
    if (a->isSeparator() || a->text() != caption) continue;
    if (!a->isEnabled()) {
      ADD_FAILURE() << "menu item " << utf8(caption) << " is disabled";
      menu->close();
      return;
    }
    const QPoint at = menu->actionGeometry(a).center();
    QTest::mouseMove(menu, at);
    QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, at);
    settle();
    return;
  }
  ADD_FAILURE() << "the menu has no item " << utf8(caption);
  menu->close();
}

void User::toolbar(const QString& hint) {
  QToolButton* button = toolButton(main_, hint);
  if (!button) {
    ADD_FAILURE() << "no toolbar button " << utf8(hint);
    return;
  }
  if (!button->isEnabled()) {
    ADD_FAILURE() << "toolbar button " << utf8(hint) << " is disabled";
    return;
  }
  activateWindowOf(button);
  QTest::mouseClick(button, Qt::LeftButton);
  settle();
}

bool User::menuEnabled(const QString& caption) const {
  const auto [top, item] = menuItem(main_, caption);
  EXPECT_NE(item, nullptr) << "no menu item " << utf8(caption);
  return item && top->isEnabled() && item->isEnabled();
}

bool User::toolbarEnabled(const QString& hint) const {
  QToolButton* button = toolButton(main_, hint);
  EXPECT_NE(button, nullptr) << "no toolbar button " << utf8(hint);
  return button && button->isEnabled();
}

void User::chooseWindow(int slot) {
  QComboBox* list = main_.windowList();
  const int entry = list->findData(slot);
  if (entry < 0) {
    ADD_FAILURE() << "no window list entry for window " << slot;
    return;
  }
  choose(list, list->itemText(entry));
}

// ---------------------------------------------------------------- the active child window

TForm11* User::window() const {
  QMdiSubWindow* frame = main_.mdiArea()->currentSubWindow();
  return frame ? qobject_cast<TForm11*>(frame->widget()) : nullptr;
}

void User::windowButton(const QString& text) {
  QPushButton* found =
      findShown<QPushButton>(window(), [&](QPushButton* b) { return b->text() == text; });
  clickButton(found, text, "in the active window");
}

void User::clickButton(QPushButton* found, const QString& text, const char* where) {
  if (!found) {
    ADD_FAILURE() << "no visible button " << utf8(text) << " " << where;
    return;
  }
  if (!found->isEnabled()) {
    ADD_FAILURE() << "button " << utf8(text) << " is disabled";
    return;
  }
  click(found);
}

QTableView* User::grid() const {
  TForm11* w = window();
  QWidget* page = w ? w->upperPages()->currentWidget() : nullptr;
  QTableView* g = page ? page->findChild<QTableView*>() : nullptr;
  EXPECT_NE(g, nullptr) << "no grid in the active window";
  return g;
}

QModelIndex User::cellInSight(int row, int column) const {
  return cellInSight(grid(), row, column);
}

QModelIndex User::cellInSight(QTableView* g, int row, int column) {
  const QModelIndex at = g ? g->model()->index(row, column) : QModelIndex();
  if (g && !at.isValid()) ADD_FAILURE() << "the grid has no cell " << row << "," << column;
  if (at.isValid()) {
    g->scrollTo(at);
    activateWindowOf(g);
  }
  return at;
}

void User::clickCell(int row, int column, Qt::KeyboardModifiers modifiers) {
  const QModelIndex at = cellInSight(row, column);
  if (!at.isValid()) return;
  QTableView* g = grid();
  QTest::mouseClick(g->viewport(), Qt::LeftButton, modifiers, g->visualRect(at).center());
  settle();
}

void User::clickCell(QTableView* grid, int row, int column) {
  const QModelIndex at = cellInSight(grid, row, column);
  if (!at.isValid()) return;
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier,
                    grid->visualRect(at).center());
  settle();
}

void User::cellMenu(QTableView* grid, int row, int column, const QString& caption) {
  const QModelIndex at = cellInSight(grid, row, column);
  if (at.isValid()) contextMenu(grid, caption, grid->visualRect(at).center());
}

void User::doubleClickCell(int row, int column) {
  const QModelIndex at = cellInSight(row, column);
  if (!at.isValid()) return;
  QTableView* g = grid();
  // A double-click is a click, then the second press that the window system reports as one.
  const QPoint centre = g->visualRect(at).center();
  QTest::mouseClick(g->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
  QTest::mouseDClick(g->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
  settle();
}

void User::ctrlClickRows(std::initializer_list<int> rows) {
  for (int row : rows) clickCell(row, 0, Qt::ControlModifier);
}

QWidget* User::field(const QString& label) const {
  const QString caption = label + QLatin1Char(':');
  QLabel* found = findShown<QLabel>(window(), [&](QLabel* l) { return l->text() == caption; });
  if (!found) {
    ADD_FAILURE() << "no field labelled " << utf8(caption) << " in the active window";
    return nullptr;
  }
  // The control sits right of its label on the same line, or (a memo) below it.
  const QRect l = found->geometry();
  QWidget* beside = nullptr;
  QWidget* below = nullptr;
  for (QObject* o : found->parentWidget()->children()) {
    auto* c = qobject_cast<QWidget*>(o);
    if (!c || qobject_cast<QLabel*>(c) || !c->isVisible()) continue;
    const QRect g = c->geometry();
    if (g.top() == l.top() && g.left() > l.right() && (!beside || g.left() < beside->x()))
      beside = c;
    if (g.left() == l.left() && g.top() > l.bottom() && (!below || g.top() < below->y())) below = c;
  }
  QWidget* control = beside ? beside : below;
  EXPECT_NE(control, nullptr) << "no control beside the label " << utf8(caption);
  return control;
}

void User::clickInto(QWidget* widget) {
  if (!widget) return;
  QWidget* target = clickTarget(widget);
  activateWindowOf(target);
  QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, target->rect().center());
  settle();
}

// ---------------------------------------------------------------- panels and dialogs

void User::button(const QString& text) {
  QPushButton* found = nullptr;
  for (QPushButton* b : outsideWindows<QPushButton>(main_))
    if (b->text() == text) found = b;
  clickButton(found, text, "outside the child windows");
}

QWidget* User::inGroup(const QString& title) const {
  for (QGroupBox* g : outsideWindows<QGroupBox>(main_)) {
    if (g->title() != title) continue;
    for (QWidget* c : g->findChildren<QWidget*>())
      if (c->isVisible() && (qobject_cast<QLineEdit*>(c) || qobject_cast<QComboBox*>(c)) &&
          !qobject_cast<QComboBox*>(c->parentWidget()))
        return c;
  }
  ADD_FAILURE() << "no text box or list in a visible group " << utf8(title);
  return nullptr;
}

void User::clickItem(const QString& text) {
  for (QListWidget* list : outsideWindows<QListWidget>(main_)) {
    if (!list->findItems(text, Qt::MatchExactly).isEmpty()) {
      clickItem(list, text);
      return;
    }
  }
  ADD_FAILURE() << "no visible list holds " << utf8(text);
}

// ---------------------------------------------------------------- any widget

void User::click(QWidget* widget) {
  if (!widget) {
    ADD_FAILURE() << "nothing to click";
    return;
  }
  if (!widget->isEnabled() || !widget->isVisible()) {
    ADD_FAILURE() << "cannot click the hidden or disabled " << widget->metaObject()->className()
                  << " " << utf8(widget->objectName());
    return;
  }
  // A check box takes clicks on its box and its text only: it is clicked on its box.
  const bool box = qobject_cast<QCheckBox*>(widget) || qobject_cast<QRadioButton*>(widget);
  const QPoint at = box ? QPoint(std::min(8, widget->width() / 2), widget->height() / 2)
                        : widget->rect().center();
  activateWindowOf(widget);
  QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, at);
  settle();
}

void User::replaceText(QWidget* box, const QString& text) {
  clickInto(box);
  press(Qt::Key_A, Qt::ControlModifier);
  if (text.isEmpty())
    press(Qt::Key_Delete);
  else
    type(text);
}

void User::choose(QComboBox* list, const QString& text) {
  const int entry = list ? list->findText(text) : -1;
  if (entry < 0 || !list->isVisible() || !list->isEnabled()) {
    ADD_FAILURE() << "no entry " << utf8(text) << " to pick from a shown drop-down";
    return;
  }
  if (list->isEditable()) {
    // A click puts the focus into the list's text; the arrow keys step through its entries.
    clickInto(list);
    for (int at = list->currentIndex(); at != entry; at += at < entry ? 1 : -1)
      QTest::keyClick(focus(), at < entry ? Qt::Key_Down : Qt::Key_Up);
    settle();
    return;
  }
  activateWindowOf(list);
  QTest::mouseClick(list, Qt::LeftButton);
  QAbstractItemView* popup = list->view();
  if (!popup->isVisible()) {
    ADD_FAILURE() << "the drop-down did not open";
    return;
  }
  // The list ignores a mouse release for a moment after it opens; the keys pick the entry,
  // counted from the first.
  QTest::keyClick(popup, Qt::Key_Home);
  for (int at = 0; at < entry; ++at) QTest::keyClick(popup, Qt::Key_Down);
  QTest::keyClick(popup, Qt::Key_Return);
  settle();
  // The closed list hands the activation back to the window it belongs to, as a window manager
  // does, whether or not that window is modal.
  activateWindowOf(list);
}

void User::clickItem(QAbstractItemView* view, const QString& text) {
  const QModelIndexList found =
      view ? view->model()->match(view->model()->index(0, 0), Qt::DisplayRole, text, 1,
                                  Qt::MatchExactly)
           : QModelIndexList();
  if (found.isEmpty()) {
    ADD_FAILURE() << "no item " << utf8(text) << " to click";
    return;
  }
  view->scrollTo(found[0]);
  activateWindowOf(view);
  QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                    view->visualRect(found[0]).center());
  settle();
}

void User::whileModal(std::function<void(QDialog*)> steps) {
  QTimer::singleShot(0, [this, steps = std::move(steps)]() mutable {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    // Opening a menu lets the event loop run before its item is clicked: the dialog is yet to come.
    if (!dialog && QApplication::activePopupWidget()) {
      whileModal(std::move(steps));
      return;
    }
    if (!dialog) {
      ADD_FAILURE() << "no modal dialog opened";
      return;
    }
    // A modal dialog is the active window while it runs.
    QApplication::setActiveWindow(dialog);
    steps(dialog);
    if (dialog->isVisible()) {
      ADD_FAILURE() << "the steps left the dialog open";
      dialog->reject();
    }
  });
}

// ---------------------------------------------------------------- the keyboard

void User::type(const QString& text) {
  for (qsizetype i = 0; i < text.size(); ++i) {
    QWidget* f = focus();
    if (!f) {
      ADD_FAILURE() << "nothing has the focus to type " << utf8(text) << " into";
      return;
    }
    const QChar c = text[i];
    if (c.isHighSurrogate() && i + 1 < text.size()) {
      QInputMethodEvent commit;
      commit.setCommitString(text.mid(i++, 2));
      QApplication::sendEvent(f, &commit);
    } else {
      // The key code of a letter is its capital; other characters go by their code point.
      QTest::sendKeyEvent(QTest::Click, f, static_cast<Qt::Key>(c.toUpper().unicode()), QString(c),
                          Qt::NoModifier);
    }
    settle();
  }
}

void User::typeCells(const QStringList& values) {
  for (const QString& value : values) {
    type(value);
    press(Qt::Key_Return);
  }
}

void User::press(Qt::Key key, Qt::KeyboardModifiers modifiers) {
  QWidget* f = focus();
  if (!f) {
    ADD_FAILURE() << "nothing has the focus to press a key in";
    return;
  }
  QTest::keyClick(f, key, modifiers);
  settle();
}

// ---------------------------------------------------------------- pop-up menus

QMenu* User::openContextMenu(QWidget* widget, QPoint at) {
  if (!widget) return nullptr;
  QWidget* target = clickTarget(widget);
  if (at.isNull()) at = target->rect().center();
  activateWindowOf(target);
  // A right press asks for the context menu, as the window system does on X11.
  QTest::mousePress(target, Qt::RightButton, Qt::NoModifier, at);
  QContextMenuEvent request(QContextMenuEvent::Mouse, at, target->mapToGlobal(at));
  QApplication::sendEvent(target, &request);
  QTest::mouseRelease(target, Qt::RightButton, Qt::NoModifier, at);
  auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  if (!menu) ADD_FAILURE() << "no pop-up menu opened";
  return menu;
}

void User::contextMenu(QWidget* widget, const QString& caption, QPoint at) {
  if (QMenu* menu = openContextMenu(widget, at)) clickAction(menu, caption);
}

}  // namespace torvanel::test
