#pragma once

#include <QDialog>
#include <QStringList>

#include "app/reports/report_template.h"

class QButtonGroup;
class QComboBox;
class QListWidget;
class QScrollArea;
class QToolButton;

namespace torvanel {

class NumberBox;
class SectionTextBox;

// TForm3, the head and tail editor: edits the text of one report section (the titles, the page
// header and footer, the head and tail texts) with its font, size, style, alignment, colour and
// the spacing before it, on a picture of the page's printable width. It works on a copy; nothing
// reaches the template until 确认.
class TForm3 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm3(QWidget* parent = nullptr);

  // Shows the editor modally, centred on the screen, for `section` (kMainTitle .. kTailText) of
  // `t`; `fields` are the report table's field names for the insert list. The text is taken from
  // `t` (`text` for the one-line sections, `lines` for the head and tail texts), so a caller that
  // shows it in a box of its own puts it there first and reads it back afterwards. On 确认 the
  // text and the font settings go into `t` and the result is true; 取消 leaves `t` as it was and
  // gives false. A text GBK cannot hold is refused at 确认 with a message naming the section, and
  // the editor stays open.
  bool editSection(ReportTemplate& t, Section section, const QStringList& fields);

  // The widgets a user works with, for tests that act as one.
  SectionTextBox* textBox() const { return text_; }
  QListWidget* fieldList() const { return fieldList_; }

 protected:
  // The view can follow the alignment only once it has its size.
  void showEvent(QShowEvent* event) override;
  // Hides the field list when it loses the focus, as a drop-down list closes.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildControls();
  void fillFrom(const ReportTemplate& t, Section section, const QStringList& fields);
  void layOutPage(const ReportTemplate& t, Section section);
  void showFont();
  void fontTyped();
  void alignmentChosen(int id);
  void scrollToAlignedSide();
  void showFieldList();
  void fieldChosen(const QString& item);
  void insert(const QString& token);
  void confirm();

  ReportTemplate* template_ = nullptr;
  Section section_ = kMainTitle;
  TextSection working_;  // the copy the controls change

  QToolButton* insertButton_ = nullptr;
  QListWidget* fieldList_ = nullptr;
  QComboBox* fonts_ = nullptr;
  NumberBox* size_ = nullptr;
  QToolButton* bold_ = nullptr;
  QToolButton* italic_ = nullptr;
  QToolButton* underline_ = nullptr;
  QButtonGroup* alignment_ = nullptr;
  QComboBox* colour_ = nullptr;
  NumberBox* spacing_ = nullptr;
  QScrollArea* view_ = nullptr;
  QWidget* page_ = nullptr;
  SectionTextBox* text_ = nullptr;
};

}  // namespace torvanel
