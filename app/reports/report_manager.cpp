#include "app/reports/report_manager.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "app/common/gbk_string.h"
#include "app/reports/designer_body_tab.h"
#include "app/reports/designer_group_panel.h"
#include "app/reports/designer_head_tail_tab.h"
#include "app/reports/designer_header_design.h"
#include "app/reports/designer_page_tab.h"
#include "app/reports/head_tail_editor.h"
#include "app/reports/logo_dialog.h"
#include "app/reports/page_progress_panel.h"
#include "app/reports/preview_window.h"
#include "app/reports/print_dialog.h"
#include "app/reports/template_file.h"
#include "app/ui/dialogs.h"
#include "app/windows/table_window.h"
#include "engine/table.h"

namespace torvanel {

Tform2::Tform2(QWidget* mainWindow, const QString& programFolder)
    : QDialog(mainWindow), programFolder_(programFolder), t_(defaultTemplate()) {
  setObjectName(QStringLiteral("Tform2"));
  setWindowTitle(QStringLiteral("报表管理"));
  setModal(true);
  resize(900, 600);

  pageTab_ = new DesignerPageTab(t_, this);
  headTailTab_ = new DesignerHeadTailTab(t_, this);
  bodyTab_ = new DesignerBodyTab(t_, this);
  tabs_ = new QTabWidget(this);
  tabs_->addTab(pageTab_, QStringLiteral("页面设计"));
  tabs_->addTab(headTailTab_, QStringLiteral("表头、表尾设计"));
  tabs_->addTab(bodyTab_, QStringLiteral("表体设计"));
  groupPanel_ = new DesignerGroupPanel(this);
  progress_ = new PageProgressPanel(this);
  progress_->hide();

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(commandBar());
  layout->addWidget(tabs_, 1);

  connect(pageTab_, &DesignerPageTab::changed, this, [this] {
    changed();
    bodyTab_->headerDesign()->layOut();  // the page's width and margins
  });
  connect(pageTab_, &DesignerPageTab::editSection, this, &Tform2::editSection);
  connect(pageTab_, &DesignerPageTab::editLogo, this, &Tform2::editLogo);
  connect(headTailTab_, &DesignerHeadTailTab::edited, this, &Tform2::changed);
  connect(headTailTab_, &DesignerHeadTailTab::editSection, this, &Tform2::editSection);
  connect(bodyTab_, &DesignerBodyTab::changed, this, &Tform2::changed);
  connect(bodyTab_, &DesignerBodyTab::edited, this, &Tform2::changed);
  connect(bodyTab_, &DesignerBodyTab::groupingChanged, this, [this] {
    setGroupRange(kOpenRange, kOpenRange);
    enableGrouping();
  });
  connect(groupPanel_, &DesignerGroupPanel::rangeChosen, this, &Tform2::setGroupRange);
}

Tform2::~Tform2() = default;

QWidget* Tform2::commandBar() {
  auto* bar = new QWidget(this);
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(0, 0, 0, 0);
  auto* group = new QGroupBox(QStringLiteral("报表摸板"), bar);
  box_ = new QComboBox(group);
  box_->setEditable(true);
  box_->setInsertPolicy(QComboBox::NoInsert);
  box_->setCompleter(nullptr);  // a completion would load a name the user did not type
  box_->setMinimumWidth(200);
  auto* groupLayout = new QHBoxLayout(group);
  groupLayout->addWidget(box_);
  row->addWidget(group);
  const std::pair<const char*, void (Tform2::*)()> commands[] = {{"新建", &Tform2::newTemplate},
                                                                 {"打开", &Tform2::openTemplate},
                                                                 {"保存", nullptr},
                                                                 {"另存", &Tform2::saveTemplateAs},
                                                                 {"删除", &Tform2::deleteTemplate},
                                                                 {"分组", nullptr},
                                                                 {"空表", &Tform2::previewEmpty},
                                                                 {"预览", nullptr},
                                                                 {"打印", nullptr},
                                                                 {"关闭", nullptr}};
  for (const auto& [caption, action] : commands) {
    auto* b = new QPushButton(QString::fromUtf8(caption), bar);
    b->setAutoDefault(false);
    b->setFixedWidth(b->fontMetrics().horizontalAdvance(b->text()) + 28);
    commands_ << b;
    row->addWidget(b);
    if (action) connect(b, &QPushButton::clicked, this, action);
  }
  row->addStretch(1);
  connect(command(QStringLiteral("保存")), &QPushButton::clicked, this, &Tform2::saveTemplate);
  connect(command(QStringLiteral("分组")), &QPushButton::clicked, this,
          [this] { groupPanel_->open(t_.groupField); });
  connect(command(QStringLiteral("预览")), &QPushButton::clicked, this,
          [this] { calculateAndThen(false); });
  connect(command(QStringLiteral("打印")), &QPushButton::clicked, this,
          [this] { calculateAndThen(true); });
  connect(command(QStringLiteral("关闭")), &QPushButton::clicked, this, &QDialog::reject);
  connect(box_, &QComboBox::editTextChanged, this, &Tform2::boxEdited);
  return bar;
}

QPushButton* Tform2::command(const QString& caption) const {
  for (QPushButton* b : commands_)
    if (b->text() == caption) return b;
  return nullptr;
}

void Tform2::design(TForm11& window) {
  window_ = &window;
  tdb::Table& table = window.table();
  fields_.clear();
  for (const tdb::FieldDef& def : table.fieldDefs()) fields_ << fromGbk(def.name);
  setWindowTitle(QStringLiteral("报表管理:[") + window.databaseName() + QStringLiteral("]") +
                 window.tableName());
  bodyTab_->setFields(fields_);
  editor_ = new TForm3(this);
  preview_ = new TForm4(this);
  printDialog_ = new TForm5(this);
  logoDialog_ = new TForm6(this);

  const QStringList names = tableTemplates(programFolder_, window.tableName());
  {
    boxQuiet_ = true;
    box_->clear();
    box_->addItems(names);
    box_->setCurrentIndex(names.isEmpty() ? -1 : 0);
    boxQuiet_ = false;
  }
  // The defaults first, so that a first template that cannot be read leaves nothing of the
  // table before.
  load(QString());
  if (!names.isEmpty()) load(names.first());
  tabs_->setCurrentIndex(0);
  groupPanel_->hide();
  exec();

  delete std::exchange(editor_, nullptr);
  delete std::exchange(preview_, nullptr);
  delete std::exchange(printDialog_, nullptr);
  delete std::exchange(logoDialog_, nullptr);
  window_ = nullptr;
}

void Tform2::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Once shown, the frame is known: centred on the screen, kept on it when larger.
  if (const QScreen* s = screen()) {
    const QRect free = s->availableGeometry();
    QRect frame = frameGeometry();
    frame.moveCenter(free.center());
    move(std::max(free.left(), frame.left()), std::max(free.top(), frame.top()));
  }
}

void Tform2::done(int result) {
  if (modified_) {
    const Answer save = dialogs().confirm(QStringLiteral("保存设置吗？"), false);
    // A template that could not be saved keeps the designer open, with the user's work in it.
    if (save == Answer::Yes && !saveTemplate()) return;
  }
  groupPanel_->hide();
  QDialog::done(result);
}

void Tform2::changed() {
  modified_ = true;
  edited_ = true;
}

void Tform2::showTemplate() {
  pageTab_->fill();
  headTailTab_->fill();
  bodyTab_->fill();
  enableGrouping();
}

void Tform2::enableGrouping() {
  command(QStringLiteral("分组"))->setEnabled(t_.grouping && !t_.groupField.isEmpty());
}

void Tform2::setGroupRange(const QString& start, const QString& end) {
  rangeStart_ = start;
  rangeEnd_ = end;
}

}  // namespace torvanel
