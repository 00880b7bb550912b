#include "app/projects/project_panel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/common/file_error.h"
#include "app/ui/dialogs.h"

#include "app/projects/panel_frame.h"

namespace torvanel {

ProjectPanel::ProjectPanel(ProjectList& list, QString programFolder, QWidget* mainWindow)
    : QFrame(mainWindow), list_(list), programFolder_(std::move(programFolder)) {
  makePanelFrame(this, "ProjectPanel");
  title_ = new QLabel(this);
  lines_ = new QListWidget(this);
  lines_->setObjectName(QStringLiteral("projectLines"));
  auto* buttons = new QHBoxLayout;
  const auto button = [this, buttons](QList<QPushButton*>& set, const char* caption, auto slot) {
    auto* b = new QPushButton(QString::fromUtf8(caption), this);
    connect(b, &QPushButton::clicked, this, slot);
    buttons->addWidget(b);
    set << b;
  };
  button(openButtons_, "打 开", [this] {
    if (auto p = selectedProject(QStringLiteral("此项目行没有主数据表,不能打开!"))) {
      hide();
      emit openRequested(*p);
    }
  });
  button(openButtons_, "退 出", [this] { leave(false); });
  button(settingsButtons_, "修  改", [this] {
    if (auto p = selectedProject(QStringLiteral("此项目行没有主数据表,不能修改!"))) {
      hide();
      emit modifyRequested(*p);
    }
  });
  button(settingsButtons_, "增  加", [this] {
    hide();
    emit addRequested();
  });
  button(settingsButtons_, "删  除", [this] {
    if (list_.selectedLine()) {
      list_.removeSelected();
      showLines();
    }
  });
  button(settingsButtons_, "退  出", [this] { leave(true); });
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(title_);
  layout->addWidget(lines_, 1);
  layout->addLayout(buttons);
  connect(lines_, &QListWidget::currentRowChanged, this, [this](int row) { list_.selected = row; });
  resize(420, 300);
  hide();
}

void ProjectPanel::open(Mode mode) {
  mode_ = mode;
  try {
    list_.load(programFolder_);
  } catch (const FileError& e) {
    showError(e);
    return;
  }
  const QString title =
      mode == Mode::Open ? QStringLiteral("打开项目") : QStringLiteral("项目设置");
  title_->setText(title);
  setWindowTitle(title);
  for (QPushButton* b : openButtons_) b->setVisible(mode == Mode::Open);
  for (QPushButton* b : settingsButtons_) b->setVisible(mode == Mode::Settings);
  showLines();
  if (const QWidget* main = parentWidget())
    move((main->width() - width()) / 2, (main->height() - height()) / 2);
  show();
  raise();
  lines_->setFocus();
}

void ProjectPanel::showLines() {
  const QSignalBlocker quiet(lines_);
  lines_->clear();
  lines_->addItems(list_.lines);
  lines_->setCurrentRow(list_.selected);
}

std::optional<ProjectListEntry> ProjectPanel::selectedProject(const QString& refusal) {
  const QString* line = list_.selectedLine();
  if (!line) return std::nullopt;
  ProjectListEntry entry;
  if (!splitListLine(*line, entry)) {
    // Only a hand-edited list has such a line: it names no master to work on.
    dialogs().message(refusal);
    return std::nullopt;
  }
  return entry;
}

void ProjectPanel::leave(bool writeBack) {
  if (writeBack) {
    try {
      list_.save(programFolder_);
    } catch (const FileError& e) {
      showError(e);  // the panel stays, its lines as they were, for another try
      return;
    }
  }
  hide();
  emit left();
}

}  // namespace torvanel
