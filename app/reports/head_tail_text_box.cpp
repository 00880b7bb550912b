#include "app/reports/head_tail_text_box.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTextCursor>

namespace torvanel {

SectionTextBox::SectionTextBox(QWidget* parent) : QTextEdit(parent) {
  setAcceptRichText(false);
  // Lines never wrap, yet the document keeps the box's width: without a width of its own it
  // would be as wide as its longest line, and the shorter lines could not be aligned in the box.
  setLineWrapMode(QTextEdit::WidgetWidth);
  setWordWrapMode(QTextOption::NoWrap);
  connect(this, &QTextEdit::textChanged, this, &SectionTextBox::keepToLength);
}

QString SectionTextBox::allowed(QString text) const {
  if (!multiline_) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    text.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
  }
  return text;
}

void SectionTextBox::start(const QString& text, int maxLength, bool multiline) {
  maxLength_ = maxLength;
  multiline_ = multiline;
  setPlainText(allowed(text).left(maxLength));
  setLineAlignment(alignment_);
  moveCursor(QTextCursor::End);
}

void SectionTextBox::setLineAlignment(Qt::Alignment alignment) {
  alignment_ = alignment;
  const QSignalBlocker quiet(this);
  QTextCursor all(document());
  all.select(QTextCursor::Document);
  QTextBlockFormat format;
  format.setAlignment(alignment);
  all.mergeBlockFormat(format);  // new lines take the format of the line they are split from
}

void SectionTextBox::keyPressEvent(QKeyEvent* event) {
  const bool lineBreak = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (lineBreak && (!multiline_ || !fits(1))) {
    event->accept();  // swallowed: the dialog must not take it for its default button either
    return;
  }
  QTextEdit::keyPressEvent(event);
}

void SectionTextBox::insertFromMimeData(const QMimeData* source) {
  if (source->hasText()) insertPlainText(allowed(source->text()));
}

void SectionTextBox::keepToLength() {
  const qsizetype excess = toPlainText().size() - maxLength_;
  if (excess <= 0) return;
  // What was just typed or pasted goes: it lies before the caret.
  const QSignalBlocker quiet(this);
  QTextCursor cursor = textCursor();
  const int end = cursor.position();
  cursor.setPosition(std::max(0, end - static_cast<int>(excess)), QTextCursor::KeepAnchor);
  cursor.removeSelectedText();
  setTextCursor(cursor);
}

}  // namespace torvanel
