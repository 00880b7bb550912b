#pragma once

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>

#include "app/common/table_ref.h"
#include "app/projects/project_list_file.h"
#include "app/shell/commands.h"
#include "app/shell/menu_state.h"
#include "app/shell/settings.h"
#include "app/windows/window_host.h"

class QComboBox;
class QMdiArea;

namespace torvanel {

class ChildWindows;
class WindowEngine;
class ToolbarBand;
class TForm01;
class TForm02;
class LocatePanel;
class SummaryPanel;
class TableTransfers;
class TForm03;
class TForm04;
class ProjectPanel;
class Tform2;

// The main window: the MDI frame with the menus, the toolbar with the window list, and the child
// windows. It owns the global settings and their file, and recomputes which commands are enabled
// (menuset) after every change of state. It is the window engine's host, and tells the engine
// when it goes.
class TForm0 : public QMainWindow, public WindowHost {
  Q_OBJECT
 public:
  // Reads the settings of `programFolder` (which ends with '/') and computes the menu state.
  explicit TForm0(const QString& programFolder);
  // The child windows and their controls go after the main window's own parts: nothing of them
  // may call back into it from then on.
  ~TForm0() override;

  // Creates, hidden, the dialogs that live for the whole run: the table chooser, the query
  // builder, the structure designer, the project designer and the report manager.
  void createDialogs();

  // Opens `ref` in a new child window, as the table chooser does for "打开数据表". Does nothing
  // before createDialogs.
  void openTable(const TableRef& ref);

  // Opens the project `name`, which the project designer has just loaded, in a project window
  // whose master runs the project's formulas before every store.
  void openProjectWindow(const QString& name);

  // Plugs in the window engine. Until then no child window is open.
  void setChildWindows(ChildWindows* windows) { childWindows_ = windows; }

  // Recomputes and shows the enabled state, check marks and captions of menus and buttons.
  void menuset();
  // Write / read the settings file, reporting a failure to the user.
  void saveset();
  void readset();

  // WindowHost
  const GlobalSettings& settings() const override { return settings_; }
  QComboBox* windowList() const override;
  QMdiArea* mdiArea() const override { return mdiArea_; }
  QRect newWindowPlace(int slot) const override;

  const MenuState& menuState() const { return menuState_; }
  const QString& programFolder() const { return programFolder_; }

  QAction* action(Command c) const { return items_[index(c)]; }    // the menu item
  QAction* button(Command c) const { return buttons_[index(c)]; }  // nullptr: no button
  QAction* menuAction(Menu m) const { return menus_[index(m)]; }
  ToolbarBand* toolbarBand() const { return band_; }
  TForm01* tableChooser() const { return chooser_; }
  TForm02* queryBuilder() const { return queryBuilder_; }
  LocatePanel* locatePanel() const { return locatePanel_; }
  SummaryPanel* summaryPanel() const { return summaryPanel_; }
  TForm04* projectDesigner() const { return projectDesigner_; }
  ProjectPanel* projectPanel() const { return projectPanel_; }
  Tform2* reportManager() const { return reportManager_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildMenus();
  void buildToolbar();
  void wireCommands();
  void run(Command c);
  void changeSetting(const std::function<void(GlobalSettings&)>& change);
  void switchMemoryBuffer(bool on);
  void askDecimalPlaces();
  void chooseWindow(int entry);
  void createProjectDialogs();
  void manageProjects();
  void focusActiveWindow();

  QString programFolder_;
  GlobalSettings settings_;
  MenuState menuState_;
  ChildWindows* childWindows_ = nullptr;
  WindowEngine* windowEngine_ = nullptr;  // made with the dialogs; the child windows' engine
  std::array<std::function<void()>, kCommandCount> handlers_;

  std::array<QAction*, kCommandCount> items_{};
  std::array<QAction*, kCommandCount> buttons_{};
  std::array<QAction*, kMenuCount> menus_{};
  ToolbarBand* band_ = nullptr;
  QMdiArea* mdiArea_ = nullptr;

  TForm01* chooser_ = nullptr;
  TForm02* queryBuilder_ = nullptr;
  LocatePanel* locatePanel_ = nullptr;
  SummaryPanel* summaryPanel_ = nullptr;
  std::unique_ptr<TableTransfers> transfers_;
  TForm03* structureDesigner_ = nullptr;
  TForm04* projectDesigner_ = nullptr;
  ProjectList projects_;  // the project list as the panel and the designer change it
  ProjectPanel* projectPanel_ = nullptr;
  Tform2* reportManager_ = nullptr;
};

}  // namespace torvanel
