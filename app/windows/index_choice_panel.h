#pragma once

#include <QFrame>

class QComboBox;
class QPushButton;

namespace torvanel {

// The index choice panel of a child window: "请选择索引文件:", a drop-down list of the table's
// indexes and "取消索引", and the buttons "确认" and "取消". It floats over the window's pages,
// hidden until the command "选择索引文件" fills and shows it; "取消" hides it, "确认" tells
// whoever applies the choice, which hides it once the choice took effect.
class IndexChoicePanel : public QFrame {
  Q_OBJECT
 public:
  explicit IndexChoicePanel(QWidget* parent = nullptr);

  QComboBox* list() const { return list_; }
  QPushButton* confirmButton() const { return confirm_; }
  QPushButton* cancelButton() const { return cancel_; }

  // Shows the panel over its window, centred horizontally while it is narrower than the window,
  // else at its left edge.
  void showCentred();

 signals:
  void confirmed();

 private:
  QComboBox* list_ = nullptr;
  QPushButton* confirm_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

// The panel's left edge in a client area `clientWidth` wide: (client width - panel width) / 2,
// rounded, when the panel is the narrower, else 0.
int indexPanelLeft(int clientWidth, int panelWidth);

}  // namespace torvanel
