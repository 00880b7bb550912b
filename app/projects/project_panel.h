#pragma once

#include <QFrame>

#include "app/projects/project_list_file.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace torvanel {

// The project panel of the main window: the lines of the project list, and either the buttons
// that open a project ("打 开", "退 出") or those that manage the list ("修  改", "增  加",
// "删  除", "退  出"). It edits the list in memory; the main window acts on what it asks for.
class ProjectPanel : public QFrame {
  Q_OBJECT
 public:
  enum class Mode { Open, Settings };

  ProjectPanel(ProjectList& list, QString programFolder, QWidget* mainWindow);

  // Loads the list from its file, selects the first line and shows the panel in `mode`.
  void open(Mode mode);
  Mode mode() const { return mode_; }

  QLabel* title() const { return title_; }
  QListWidget* lines() const { return lines_; }

 signals:
  // The selected line is to be opened / modified; a new project is to be added.
  void openRequested(const ProjectListEntry& project);
  void modifyRequested(const ProjectListEntry& project);
  void addRequested();
  // The panel went away: the menus follow and the active window takes the focus.
  void left();

 private:
  void showLines();
  // The selected line, split; nullopt (and the user told) when there is none to act on.
  std::optional<ProjectListEntry> selectedProject(const QString& refusal);
  void leave(bool writeBack);

  ProjectList& list_;
  QString programFolder_;
  Mode mode_ = Mode::Open;
  QLabel* title_ = nullptr;
  QListWidget* lines_ = nullptr;
  QList<QPushButton*> openButtons_;
  QList<QPushButton*> settingsButtons_;
};

}  // namespace torvanel
