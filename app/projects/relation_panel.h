#pragma once

#include <QFrame>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace torvanel {

// The relation panel of the designer: the auxiliary table's keys on the left (its indexes for an
// index relation, its fields otherwise), the master's fields on the right, and the relation text
// they make, left + "->" + right, an unselected side counting as empty.
class RelationPanel : public QFrame {
  Q_OBJECT
 public:
  explicit RelationPanel(QWidget* parent);

  // Fills both sides, nothing selected, the result empty, and shows the panel.
  void open(const QString& leftCaption, const QStringList& left, const QString& rightCaption,
            const QStringList& right);
  QString result() const;

  QListWidget* leftList() const { return left_; }
  QListWidget* rightList() const { return right_; }
  QPushButton* confirmButton() const { return confirm_; }

 private:
  void compose();

  QLabel* leftCaption_ = nullptr;
  QLabel* rightCaption_ = nullptr;
  QListWidget* left_ = nullptr;
  QListWidget* right_ = nullptr;
  QLineEdit* result_ = nullptr;
  QPushButton* confirm_ = nullptr;
};

}  // namespace torvanel
