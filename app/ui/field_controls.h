#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "app/ui/table_source.h"

namespace torvanel {

// Controls bound to one field of a data source's table: each shows the current record's value
// after every move or change, and while the table may be edited, what the user types goes into
// the record when the control is left (the table enters its edit state then). A value the field
// cannot take is refused with the engine's message and the control shows the field again.
//
// Text typed and not yet stored stays in the control, whatever the cursor does, until it is
// stored or dropped: settle() does either, and every command settles the control being edited
// before it acts, so that the text goes into the record it was typed for.

class FieldEdit : public QLineEdit {
  Q_OBJECT
 public:
  FieldEdit(TableSource& source, int field, QWidget* parent = nullptr);
  int field() const { return field_; }
  void showField();
  // Stores text typed and not yet stored (`keep`), or drops it and shows the field again.
  void settle(bool keep);

 private:
  void store();
  TableSource& source_;
  int field_;
};

class FieldCombo : public QComboBox {
  Q_OBJECT
 public:
  FieldCombo(TableSource& source, int field, const QStringList& items, QWidget* parent = nullptr);
  int field() const { return field_; }
  void showField();
  void settle(bool keep);
  void setReadOnly(bool on);
  // Writes `text` into the field of the record in hand (a new record takes the item chosen).
  void storeItem(const QString& text);

 private:
  void store(bool picked);  // `picked`: an item was chosen from the list
  bool typedOver() const;   // text was typed and not yet stored
  TableSource& source_;
  int field_;
  bool typed_ = false;
};

class FieldMemo : public QPlainTextEdit {
  Q_OBJECT
 public:
  FieldMemo(TableSource& source, int field, QWidget* parent = nullptr);
  void showField();
  void settle(bool keep);
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

// Settles the control being edited that holds the focus, if any: a bound field control above, or
// the cell editor of an item view, whose text goes into its cell (`keep`) or is dropped.
void settleEditing(QWidget* focus, bool keep);

}  // namespace torvanel
