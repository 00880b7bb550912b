#pragma once

#include <QFont>
#include <QSpinBox>

#include "app/reports/report_template.h"

class QComboBox;
class QPainter;
class QToolButton;

namespace torvanel {

// Pieces the report dialogs share. The head and tail editor and the logo dialog draw their
// pictures of the page at the screen's resolution, in whole millimetres, under the same kind of
// ruler; the head and tail editor and the designer's body font group set a section's font with
// the same kind of controls.

// `mm` in pixels at `dpi`, rounded.
int mmToPixels(int mm, int dpi);
// `pixels` at `dpi` in whole millimetres, rounded.
int pixelsToMm(int pixels, int dpi);

// A ruler `height` pixels high from (0, `top`) across `widthMm` of page: aqua, with a red tick
// every 10 mm from the page's left edge and the tick's number (0, 1, 2, ...) above it. Given a
// printable range (`fromMm` < `toMm`), the parts outside it are teal.
void drawRuler(QPainter& painter, int dpi, int top, int height, int widthMm, int fromMm = 0,
               int toMm = 0);

// A checkable tool button with `caption` as its text and its hint: a style toggle or an
// alignment button.
QToolButton* newToggle(const QString& caption, QWidget* parent);

// The entry of `fonts` a typed font name selects: the one matching `typed` under `match`, else
// entry 88, or the first when the list is shorter, so that a name not installed still ends on an
// installed font. -1 only when the list is empty.
int typedFontEntry(const QComboBox& fonts, const QString& typed, Qt::MatchFlags match);

// The font a dialog shows `section`'s text in: the family the report prints it in (the fallback
// when the stored one is not installed), the section's point size and its styles.
QFont sectionScreenFont(const TextSection& section);

// `alignment` as the horizontal alignment of a line of text.
Qt::Alignment lineAlignment(TextAlignment alignment);

// A number box whose text left empty, or negative, becomes its minimum (a plain spin box would
// go back to the value it held).
class NumberBox : public QSpinBox {
  Q_OBJECT
 public:
  NumberBox(int minimum, int maximum, QWidget* parent = nullptr);

 protected:
  void fixup(QString& input) const override;
  QValidator::State validate(QString& input, int& pos) const override;
};

}  // namespace torvanel
