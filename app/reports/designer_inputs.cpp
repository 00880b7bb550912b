#include "app/reports/designer_inputs.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QSignalBlocker>

namespace torvanel {

NumberBox::NumberBox(int minimum, int maximum, QWidget* parent) : QSpinBox(parent) {
  setRange(minimum, maximum);
  setKeyboardTracking(false);
}

void NumberBox::fixup(QString& input) const {
  bool ok = false;
  const int typed = input.trimmed().toInt(&ok);
  if (!ok || typed < minimum()) input = QString::number(minimum());
}

void NumberBox::setQuietly(int value) {
  const QSignalBlocker quiet(this);
  setValue(value);
}

SectionTextBox::SectionTextBox(QWidget* parent) : QPlainTextEdit(parent) {
  setLineWrapMode(QPlainTextEdit::NoWrap);
  connect(this, &QPlainTextEdit::textChanged, this, [this] {
    if (quiet_) return;
    enforceLimits();
    emit edited();
  });
}

void SectionTextBox::setLimits(int maxLength, bool multiline) {
  maxLength_ = maxLength;
  multiline_ = multiline;
}

QStringList SectionTextBox::lines() const {
  if (toPlainText().isEmpty()) return {};
  return toPlainText().split(QLatin1Char('\n'));
}

void SectionTextBox::setLinesQuietly(const QStringList& lines) {
  quiet_ = true;
  setPlainText(lines.join(QLatin1Char('\n')));
  enforceLimits();
  quiet_ = false;
}

void SectionTextBox::keyPressEvent(QKeyEvent* event) {
  const bool lineBreak = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (lineBreak && !multiline_) return;
  // A full box takes no more characters; deleting and moving still work.
  if (!event->text().isEmpty() && event->text().at(0).isPrint() && !textCursor().hasSelection() &&
      toPlainText().size() >= maxLength_)
    return;
  QPlainTextEdit::keyPressEvent(event);
}

void SectionTextBox::insertFromMimeData(const QMimeData* source) {
  QString text = source->text();
  if (!multiline_) text.replace(QLatin1Char('\n'), QLatin1Char(' '));
  insertPlainText(text);
}

void SectionTextBox::enforceLimits() {
  QString text = toPlainText();
  bool cut = false;
  if (!multiline_ && text.contains(QLatin1Char('\n'))) {
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    cut = true;
  }
  if (text.size() > maxLength_) {
    text.truncate(maxLength_);
    cut = true;
  }
  if (!cut) return;
  const bool wasQuiet = quiet_;
  quiet_ = true;
  const int caret = textCursor().position();
  setPlainText(text);
  QTextCursor c = textCursor();
  c.setPosition(std::min<int>(caret, text.size()));
  setTextCursor(c);
  quiet_ = wasQuiet;
}

}  // namespace torvanel
