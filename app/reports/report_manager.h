#pragma once

#include <QDialog>
#include <QStringList>

#include "app/reports/report_template.h"

class QComboBox;
class QPushButton;
class QTabWidget;

namespace torvanel {

class DesignerBodyTab;
class DesignerGroupPanel;
class DesignerHeadTailTab;
class DesignerPageTab;
class PageProgressPanel;
class TForm11;
class TForm3;
class TForm4;
class TForm5;
class TForm6;

// Tform2, the report manager: a modal dialog over a table window that designs the reports of its
// table on three tabs, keeps the table's template files (the list "报表摸板" and the commands
// 新建, 打开, 保存, 另存, 删除), and previews and prints them.
//
// The modified flag is set by every change the user makes to the template, typing into any of its
// text boxes included, and by loading a name that has no file; saving and loading a file clear
// it. Closing with the flag set asks "保存设置吗？". Replacing a template the user has changed
// since it was loaded or saved (a name typed or chosen in the list, 新建, 打开, 删除 of another
// template) asks the same first, so no edit is lost without being asked.
class Tform2 : public QDialog {
  Q_OBJECT
 public:
  // `programFolder` (ending in '/') holds the template files.
  Tform2(QWidget* mainWindow, const QString& programFolder);
  ~Tform2() override;

  // Opens modally on the main table of `window`, its first template loaded; returns when the
  // designer closes. The editor, preview, print and logo windows live only while it is open.
  void design(TForm11& window);

  const ReportTemplate& reportTemplate() const { return t_; }
  bool modified() const { return modified_; }
  // The group range the reports run over (kOpenRange: open on that side).
  const QString& rangeStart() const { return rangeStart_; }
  const QString& rangeEnd() const { return rangeEnd_; }

  QComboBox* templateBox() const { return box_; }
  QTabWidget* tabs() const { return tabs_; }
  DesignerPageTab* pageTab() const { return pageTab_; }
  DesignerHeadTailTab* headTailTab() const { return headTailTab_; }
  DesignerBodyTab* bodyTab() const { return bodyTab_; }
  DesignerGroupPanel* groupPanel() const { return groupPanel_; }
  PageProgressPanel* progressPanel() const { return progress_; }
  // The command button reading `caption` ("新建", "预览", "关闭").
  QPushButton* command(const QString& caption) const;
  // The preview opened from here; null while the designer is closed.
  TForm4* preview() const { return preview_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void done(int result) override;

 private:
  QWidget* commandBar();
  // The user changed the template.
  void changed();
  // Every control from the template; the enabling that depends on it.
  void showTemplate();
  void enableGrouping();
  void setGroupRange(const QString& start, const QString& end);

  // ---- the template files (designer_files.cpp)
  // Loads `name` (a name without folder lies in the program folder): its file, or the defaults
  // when it has none ("没有摸板", an empty name); then fitted to the table's fields. A file that
  // cannot be read is reported and the template stays as it was, its name back in the box.
  void load(const QString& name);
  void boxEdited(const QString& text);
  void newTemplate();
  void openTemplate();
  bool saveTemplate();
  // Saves under `name` when it is an entry of the list, else under base name + ".ts0" (asking
  // before that replaces a template other than the one loaded), which joins the list and is shown
  // when `show`. False when nothing was saved.
  bool saveUnder(QString name, bool show);
  void saveTemplateAs();
  void deleteTemplate();
  // Asks "保存设置吗？" when the user changed the template since it was loaded or saved; Yes
  // saves it under the name it was loaded under. False when saving failed: the template must not be
  // replaced then.
  bool keepChanges();
  // Writes the template to `name`, refusing a text GBK cannot hold. False after a failure, which
  // has been reported.
  bool writeTemplate(const QString& name);
  // Shows `text` in the template box (adding it to the list when `add` and missing) without
  // loading anything.
  void showName(const QString& text, bool add);
  QString logoFile() const;

  // ---- the forms opened from here (designer_runs.cpp)
  void editSection(int section);
  void editLogo();
  void previewEmpty();
  // Runs the page calculation with the progress panel; tells the user when there are no pages.
  void calculateAndThen(bool print);

  QString programFolder_;
  TForm11* window_ = nullptr;
  QStringList fields_;
  ReportTemplate t_;
  QString loadedName_;  // the name the template was loaded or saved under; empty: none
  bool modified_ = false;
  bool edited_ = false;    // changed by the user since it was loaded or saved
  bool boxQuiet_ = false;  // the designer itself is changing the template box
  QString rangeStart_, rangeEnd_;

  QComboBox* box_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  DesignerPageTab* pageTab_ = nullptr;
  DesignerHeadTailTab* headTailTab_ = nullptr;
  DesignerBodyTab* bodyTab_ = nullptr;
  DesignerGroupPanel* groupPanel_ = nullptr;
  PageProgressPanel* progress_ = nullptr;
  QList<QPushButton*> commands_;
  TForm3* editor_ = nullptr;
  TForm4* preview_ = nullptr;
  TForm5* printDialog_ = nullptr;
  TForm6* logoDialog_ = nullptr;
};

}  // namespace torvanel
