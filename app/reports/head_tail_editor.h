#pragma once

#include <QDialog>
#include <QStringList>

#include "app/reports/report_template.h"

namespace torvanel {

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
};

}  // namespace torvanel
