#pragma once

#include <QTextEdit>

namespace torvanel {

// The head and tail editor's text area: plain text without wrapping, at most `maxLength`
// characters, with line breaks only when the section is multiline (a pasted text's breaks become
// blanks otherwise). Alignment applies to every line, including those typed later.
class SectionTextBox : public QTextEdit {
  Q_OBJECT
 public:
  explicit SectionTextBox(QWidget* parent = nullptr);

  // Replaces the text; what is beyond `maxLength` is dropped, and so are line breaks when not
  // `multiline`.
  void start(const QString& text, int maxLength, bool multiline);
  QString text() const { return toPlainText(); }
  // Whether `more` characters still fit.
  bool fits(qsizetype more) const { return toPlainText().size() + more <= maxLength_; }
  void setLineAlignment(Qt::Alignment alignment);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void insertFromMimeData(const QMimeData* source) override;

 private:
  QString allowed(QString text) const;
  void keepToLength();

  int maxLength_ = 256;
  bool multiline_ = false;
  Qt::Alignment alignment_ = Qt::AlignLeft;
};

}  // namespace torvanel
