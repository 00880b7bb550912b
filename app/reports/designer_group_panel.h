#pragma once

#include <QFrame>

class QLabel;
class QLineEdit;

namespace torvanel {

// The grouping panel: which group field, and the first and last group value the report runs
// from and to. "全部" opens the range on both sides, "确认" takes the two texts as typed (empty
// ones too), "取消" changes nothing. The texts keep what was typed last.
class DesignerGroupPanel : public QFrame {
  Q_OBJECT
 public:
  explicit DesignerGroupPanel(QWidget* parent = nullptr);
  // Shows the panel for `field`.
  void open(const QString& field);

 signals:
  void rangeChosen(const QString& start, const QString& end);

 private:
  QLabel* field_;
  QLineEdit* start_;
  QLineEdit* end_;
};

}  // namespace torvanel
