#include "app/projects/project_designer.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "app/common/file_error.h"
#include "app/projects/auxiliary_grid.h"
#include "app/projects/formula_editor.h"
#include "app/projects/page_editor.h"
#include "app/projects/project_store.h"
#include "app/projects/project_text_check.h"
#include "app/projects/relation_panel.h"
#include "app/ui/dialogs.h"
#include "engine/engine_error.h"

namespace torvanel {

TForm04::TForm04(QWidget* mainWindow, QString programFolder, DbfTypeSource dbfType)
    : QDialog(mainWindow), programFolder_(std::move(programFolder)), dbfType_(std::move(dbfType)) {
  setObjectName(QStringLiteral("TForm04"));
  setWindowTitle(QStringLiteral("新增项目设置"));
  setModal(true);

  name_ = new QLineEdit(this);
  name_->setObjectName(QStringLiteral("projectName"));
  master_ = new QLabel(this);
  master_->setObjectName(QStringLiteral("masterTable"));
  auto* chooseMaster = new QPushButton(QStringLiteral("选择主数据表"), this);
  auto* head = new QHBoxLayout;
  head->addWidget(new QLabel(QStringLiteral("项目名称："), this));
  head->addWidget(name_, 1);
  head->addWidget(new QLabel(QStringLiteral("主数据表："), this));
  head->addWidget(master_, 2);
  head->addWidget(chooseMaster);

  auto* group = new QGroupBox(QStringLiteral("辅助数据表:"), this);
  grid_ = new AuxiliaryGrid(group);
  auto* groupLayout = new QVBoxLayout(group);
  groupLayout->addWidget(grid_);
  formulas_ = new FormulaEditor(this);
  pages_ = new PageEditor(this);
  relation_ = new RelationPanel(this);
  lookupList_ = new QListWidget(this);
  lookupList_->setObjectName(QStringLiteral("lookupIndexes"));
  lookupList_->hide();
  // The overlays share the auxiliary list's place and cover it while shown.
  auto* middle = new QGridLayout;
  for (QWidget* w :
       std::initializer_list<QWidget*>{group, formulas_, pages_, relation_, lookupList_})
    middle->addWidget(w, 0, 0);

  auto* foot = new QHBoxLayout;
  const auto button = [this, foot](const char* caption, auto slot) {
    auto* b = new QPushButton(QString::fromUtf8(caption), this);
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, slot);
    foot->addWidget(b);
  };
  button("设置字段公式", [this] { openFormulas(); });
  button("显示页面设置", [this] { openPages(); });
  foot->addStretch(1);
  button("确认", [this] { confirm(); });
  button("取消", [this] { reject(); });

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(head);
  layout->addLayout(middle, 1);
  layout->addLayout(foot);

  connect(chooseMaster, &QPushButton::clicked, this, [this] { emit chooseTable("zk"); });
  connect(grid_, &AuxiliaryGrid::tableRequested, this, [this] { emit chooseTable("fk"); });
  connect(grid_, &AuxiliaryGrid::relationRequested, this, &TForm04::openRelation);
  connect(grid_, &AuxiliaryGrid::lookupIndexRequested, this, &TForm04::openLookupIndexes);
  connect(relation_->confirmButton(), &QPushButton::clicked, this, &TForm04::relationConfirmed);
  connect(lookupList_, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { lookupIndexChosen(lookupList_->row(item)); });
  pages_->setAuxiliaries([this] { return auxiliaryTables(false); });

  resize(760, 480);
  const QRect screenArea = screen()->geometry();
  move(screenArea.x() + (screenArea.width() - width()) / 2,
       screenArea.y() + (screenArea.height() - height()) / 2);
}

void TForm04::design(ProjectList& list, DesignerMode mode, const QString& name,
                     const QString& master) {
  list_ = &list;
  list.mode = mode;
  setWindowTitle(mode == DesignerMode::New ? QStringLiteral("新增项目设置")
                                           : QStringLiteral("修改项目设置"));
  project_.name = name;
  project_.master = master;
  hideOverlays();
  setvalue();
  exec();
  emit closed();
}

bool TForm04::load(const QString& name, const QString& master) {
  project_.name = name;
  project_.master = master;
  return setvalue();
}

bool TForm04::setvalue() {
  bool read = true;
  try {
    torvanel::setvalue(project_, programFolder_, dbfType_());
  } catch (const tdb::EngineError& e) {
    showError(e);
    read = false;
  } catch (const FileError& e) {
    showError(e);
    read = false;
  }
  showProject();
  return read;
}

void TForm04::showProject() {
  name_->setText(project_.name);
  master_->setText(project_.master);
  grid_->load(project_.auxiliaries);
  QStringList fields, formulas;
  for (const FieldFormula& f : project_.formulas) {
    fields << f.field;
    formulas << f.formula;
  }
  formulas_->load(fields, formulas);
  pages_->setSources(project_.masterRef(), [this](const TableRef& ref) { return fieldsOf(ref); });
  pages_->load(project_.pages);
}

void TForm04::collectProject() {
  project_.name = name_->text();
  project_.auxiliaries = grid_->tables();
  const QStringList fields = formulas_->fields();
  const QStringList formulas = formulas_->formulas();
  project_.formulas.clear();
  for (qsizetype i = 0; i < fields.size(); ++i)
    project_.formulas.push_back({fields[i], formulas[i]});
  project_.pages = pages_->pages();
}

void TForm04::hideOverlays() {
  formulas_->hide();
  pages_->hide();
  relation_->hide();
  lookupList_->hide();
}

void TForm04::masterChosen(const TableRef& ref) {
  if (ref.text() == project_.master) return;
  // The new master's own project, if it has one, replaces everything edited so far.
  project_.name = name_->text();
  project_.master = ref.text();
  setvalue();
  hideOverlays();
}

void TForm04::confirm() {
  collectProject();
  // A line break would split a line of the files; it is dropped rather than refused.
  if (removeLineBreaks(project_)) showProject();
  const QString problem = projectTextProblem(project_);
  if (!problem.isEmpty()) {
    dialogs().message(problem);
    return;
  }
  try {
    savefile(project_, *list_, programFolder_);
  } catch (const FileError& e) {
    showError(e);  // the designer stays open for another try
    return;
  }
  accept();
}

void TForm04::openFormulas() {
  if (project_.master.trimmed().isEmpty()) {
    dialogs().message(QStringLiteral("项目主数据表没有设置,不能设置公式!"));
    return;
  }
  const TableRef master = project_.masterRef();
  formulas_->offerTables(master, fieldsOf(master), auxiliaryTables(true),
                         [this](const TableRef& ref) { return fieldsOf(ref); });
  pages_->hide();
  formulas_->show();
  formulas_->raise();
}

void TForm04::openPages() {
  if (project_.master.trimmed().isEmpty()) {
    dialogs().message(QStringLiteral("项目主数据表没有设置,不能设置显示页面!"));
    return;
  }
  formulas_->hide();
  pages_->open();
}

}  // namespace torvanel
