#pragma once

#include <QImage>
#include <QScrollArea>

#include "app/reports/report_template.h"

class QAction;
class QLabel;
class QMenu;
class QListWidget;

namespace torvanel {

class PageRuler;
class SectionTextBox;

// The top rule and the column-title row of the default header as the report draws them, `width`
// by `height` pixels at `dpi`; white when the columns cannot be laid out.
QImage defaultHeaderStrip(const ReportTemplate& t, int width, int height, int dpi);

// The designer's sub-page "头部设计": the body's hand-drawn header lines in a box as wide as one
// table band, at the left margin under a ruler, on a grey panel as wide as the page; with the
// default header on, a strip under the box shows the header the report adds. The box's pop-up
// menu clears or deletes the caret's line, switches the default header, and inserts a field or a
// page token from a list shown at the caret.
class HeaderDesignPage : public QScrollArea {
  Q_OBJECT
 public:
  HeaderDesignPage(ReportTemplate& t, QWidget* parent = nullptr);

  // The table's fields for the insert list.
  void setFields(const QStringList& fields);
  // Shows the template's header lines and lays the page out again (after a change of paper,
  // margins, tables across, body font or default header). Tells no one.
  void fill();
  void layOut();

  SectionTextBox* box() const { return box_; }
  QListWidget* fieldList() const { return fieldList_; }
  QListWidget* functionList() const { return functionList_; }
  QLabel* strip() const { return strip_; }

 signals:
  // The user changed the header lines.
  void edited();

 protected:
  // The panel fills the page's height: laid out again whenever that changes.
  void resizeEvent(QResizeEvent* event) override;

 private:
  void buildMenu();
  void showMenu(const QPoint& at);
  void showList(QListWidget* list);
  void chosen(QListWidget* list, const QString& entry);
  void scrollToAlignment();

  ReportTemplate& t_;
  QWidget* panel_;
  PageRuler* ruler_;
  SectionTextBox* box_;
  QLabel* strip_;
  QListWidget* fieldList_;
  QListWidget* functionList_;
  QMenu* menu_ = nullptr;
  QAction* defaultHeader_ = nullptr;  // its caption says what it switches to
  bool filling_ = false;
};

}  // namespace torvanel
