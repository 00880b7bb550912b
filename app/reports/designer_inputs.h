#pragma once

#include <QPlainTextEdit>
#include <QSpinBox>

namespace torvanel {

// The designer's input boxes, each keeping what is typed inside what the template can store.

// A whole-number box whose text, left empty or negative, goes back to its minimum when the user
// leaves it; it tells its value only then (or on Enter), not at every keystroke, so that a value
// typed digit by digit is not corrected half-way.
class NumberBox : public QSpinBox {
  Q_OBJECT
 public:
  NumberBox(int minimum, int maximum, QWidget* parent = nullptr);
  void fixup(QString& input) const override;
  // Shows `value` without telling anyone.
  void setQuietly(int value);
};

// A box for a text section: no line wrapping, at most `maxLength` characters, and line breaks
// only when the section is multiline (otherwise Enter types nothing and pasted breaks become
// blanks). A text put in from outside is cut to fit in the same way.
class SectionTextBox : public QPlainTextEdit {
  Q_OBJECT
 public:
  explicit SectionTextBox(QWidget* parent = nullptr);
  void setLimits(int maxLength, bool multiline);
  // The lines of the box, and setting them without telling anyone.
  QStringList lines() const;
  void setLinesQuietly(const QStringList& lines);

 signals:
  // The user changed the text (typing, pasting, deleting, a token inserted).
  void edited();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void insertFromMimeData(const QMimeData* source) override;

 private:
  void enforceLimits();

  int maxLength_ = 2048;
  bool multiline_ = true;
  bool quiet_ = false;
};

}  // namespace torvanel
