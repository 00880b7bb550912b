#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;

namespace torvanel {

struct WindowSlot;

// The query builder: a modal dialog that composes the filter of the active window's table, an
// expression in the engine's filter language plus one string-position condition that the
// window's record hook applies. One object lives for the program's run, so its history and its
// two options last until the program ends.
class TForm02 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm02(QWidget* mainWindow);

  // Shows the dialog modally for the window of `slot`.
  void query(WindowSlot& slot);
  // The dialog made ready for `slot` without showing it: caption, pickers, position controls and
  // expression cleared, the first history entry chosen.
  void prepare(WindowSlot& slot);

 private:
  void fieldChosen(int index);
  void addCondition();
  void clearCondition();
  void clearPosition();
  void reset();
  void storeHistory();
  void addHistory();
  void deleteHistory();
  void apply();
  void showAll();

  WindowSlot* slot_ = nullptr;
  QComboBox* logic_ = nullptr;
  QComboBox* field_ = nullptr;
  QComboBox* operator_ = nullptr;
  QLineEdit* value_ = nullptr;
  QLineEdit* substr_ = nullptr;
  QComboBox* positionField_ = nullptr;
  QComboBox* positionOperator_ = nullptr;
  QLineEdit* position_ = nullptr;
  QLineEdit* expression_ = nullptr;
  QCheckBox* caseSensitive_ = nullptr;
  QCheckBox* partialCompare_ = nullptr;
  QListWidget* history_ = nullptr;
};

}  // namespace torvanel
