#pragma once

#include <QDialog>
#include <QString>
#include <memory>

class QResizeEvent;
class QShowEvent;

namespace torvanel {

class ReportRun;

// TForm4, the preview: one sheet of a report at a time, scaled to a zoom, with page navigation,
// a go-to box, and printing through the print dialog. The report manager owns one for its whole
// life, so the zoom the user chose is kept between openings.
class TForm4 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm4(QWidget* parent = nullptr);
  ~TForm4() override;

  // Shows the calculated report of `run` modally, caption "预览", from report page `currentPage`
  // (1 after a fresh calculation). `templateName` is the name the designer shows; `rangeStart`
  // and `rangeEnd` the group range the pages were calculated for (kOpenRange: open). `run` must
  // have pages and must outlive the call. Returns when the user closes the window.
  void previewReport(ReportRun& run, const QString& templateName, const QString& rangeStart,
                     const QString& rangeEnd, int currentPage = 1);
  // Shows the layout of `run`'s template without records, modally, caption "空表预览". No
  // calculation is needed.
  void previewEmptyLayout(ReportRun& run, const QString& templateName);

  // The report page shown first on the sheet (0 for the empty layout); kept after closing.
  int currentPage() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void load(ReportRun& run, const QString& templateName, const QString& caption, int currentPage);
  void turnTo(int page);
  // Sets the status texts and the buttons, composes the sheet when the page changed, and shows
  // it at the zoom the zoom box asks for, or else at the fitting zoom.
  void refresh();

  struct State;
  std::unique_ptr<State> s_;
};

}  // namespace torvanel
