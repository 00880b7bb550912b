#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "app/ui/table_source.h"

namespace torvanel {

// Controls bound to one field of a data source's table: each shows the current record's value
// after every move or change, and while the table may be edited, what the user types goes into
// the record (the table enters its edit state on the first change). A value the field cannot
// take is refused with the engine's message and the control shows the field again.

class FieldEdit : public QLineEdit {
  Q_OBJECT
 public:
  FieldEdit(TableSource& source, int field, QWidget* parent = nullptr);
  void showField();

 private:
  void store();
  TableSource& source_;
  int field_;
};

class FieldCombo : public QComboBox {
  Q_OBJECT
 public:
  FieldCombo(TableSource& source, int field, const QStringList& items, QWidget* parent = nullptr);
  void showField();
  void setReadOnly(bool on);
  // Writes `text` into the field of the record in hand (a new record takes the item chosen).
  void storeItem(const QString& text);

 private:
  void store();
  TableSource& source_;
  int field_;
};

class FieldMemo : public QPlainTextEdit {
  Q_OBJECT
 public:
  FieldMemo(TableSource& source, int field, QWidget* parent = nullptr);
  void showField();
  int field() const { return field_; }
  // The target mark of the window's memo pop-up commands: 1 on the box of its page last clicked.
  int mark() const { return mark_; }
  void setMark(int mark) { mark_ = mark; }

 protected:
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void store();
  TableSource& source_;
  int field_;
  int mark_ = 0;
};

// A picture from a binary field (BMP or any format Qt reads), stretched to the control.
class FieldPicture : public QLabel {
  Q_OBJECT
 public:
  FieldPicture(TableSource& source, int field, QWidget* parent = nullptr);
  void showField();
  int field() const { return field_; }
  // The target mark of the window's picture pop-up commands, as for memo boxes.
  int mark() const { return mark_; }
  void setMark(int mark) { mark_ = mark; }

 private:
  TableSource& source_;
  int field_;
  int mark_ = 0;
};

}  // namespace torvanel
