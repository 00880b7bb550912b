#include "app/tools/structure_designer.h"

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/common/rounding.h"
#include "app/common/table_names.h"
#include "app/tools/designer_table_type.h"
#include "app/tools/field_grid.h"
#include "app/tools/index_panel.h"
#include "app/tools/structure_messages.h"
#include "app/tools/window_restructure.h"
#include "app/ui/dialogs.h"
#include "app/windows/table_window.h"
#include "app/windows/window_engine.h"
#include "engine/drivers.h"
#include "engine/engine_error.h"

namespace torvanel {

TForm03::TForm03(QWidget* mainWindow, WindowEngine& engine, std::function<tdb::TableType()> dbfType)
    : QDialog(mainWindow), engine_(engine), dbfType_(std::move(dbfType)) {
  setObjectName(QStringLiteral("TForm03"));
  setWindowTitle(QStringLiteral("表结构"));
  resize(640, 440);
  grid_ = new FieldGrid(this);
  panel_ = new IndexPanel(this);
  panel_->hide();

  auto* indexGroup = new QGroupBox(QStringLiteral("索引"), this);
  indexList_ = new QListWidget(indexGroup);
  indexList_->setObjectName(QStringLiteral("indexes"));
  defineIndex_ = new QPushButton(QStringLiteral("定义索引"), indexGroup);
  changeIndex_ = new QPushButton(QStringLiteral("修改索引"), indexGroup);
  auto* indexLayout = new QVBoxLayout(indexGroup);
  indexLayout->addWidget(indexList_, 1);
  indexLayout->addWidget(defineIndex_);
  indexLayout->addWidget(changeIndex_);

  progress_ = new QProgressBar(this);
  auto* confirm = new QPushButton(QStringLiteral("确认"), this);
  auto* cancel = new QPushButton(QStringLiteral("取消"), this);
  confirm->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  cancel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(progress_, 1);
  buttons->addWidget(confirm);
  buttons->addWidget(cancel);
  auto* body = new QHBoxLayout;
  body->addWidget(grid_, 3);
  body->addWidget(panel_, 3);
  body->addWidget(indexGroup, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(body, 1);
  layout->addLayout(buttons);

  // Chosen by click or by key.
  connect(indexList_, &QListWidget::itemSelectionChanged, this,
          [this] { changeIndex_->setEnabled(!indexList_->selectedItems().isEmpty()); });
  connect(defineIndex_, &QPushButton::clicked, this, [this] { openIndexPanel(-1); });
  connect(changeIndex_, &QPushButton::clicked, this,
          [this] { openIndexPanel(indexList_->currentRow()); });
  connect(panel_->confirmButton(), &QPushButton::clicked, this, &TForm03::indexPanelConfirmed);
  connect(panel_->cancelButton(), &QPushButton::clicked, this, &TForm03::closeIndexPanel);
  connect(confirm, &QPushButton::clicked, this, &TForm03::confirm);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TForm03::designNew(const TableRef& ref) {
  tag_ = 0;
  newTable_ = ref;
  start(QStringLiteral("新建表结构:") + ref.text(), {}, {});
  setModal(false);
  show();
  raise();
  activateWindow();
}

void TForm03::designWindow(int slot) {
  tag_ = slot + 1;
  TForm11& w = *engine_.registry()[slot].window;
  tdb::Table& t = w.table();
  start(QStringLiteral("修改表结构:[") + w.databaseName() + QStringLiteral("]") + w.tableName(),
        t.fieldDefs(), t.indexDefs());
  exec();
}

void TForm03::start(const QString& caption, const tdb::FieldDefs& fields,
                    const tdb::IndexDefs& indexes) {
  progress_->hide();
  setWindowTitle(caption);
  grid_->load(fields);
  indexes_.assign(indexes.begin(), indexes.end());
  closeIndexPanel();
}

void TForm03::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  placeOverMain();  // once shown, its frame is known
}

void TForm03::placeOverMain() {
  const QWidget* main = parentWidget();
  if (!main) return;
  // Frames on both sides: where the windows stand on the screen, borders included.
  const QRect m = main->frameGeometry();
  const QSize own = frameGeometry().size();
  const auto along = [](int mainStart, int mainSize, int ownSize) {
    return mainSize >= ownSize ? mainStart + roundToInt((mainSize - ownSize) / 2.0) : mainStart;
  };
  move(along(m.left(), m.width(), own.width()), along(m.top(), m.height(), own.height()));
}

void TForm03::showIndexList() {
  indexList_->clear();
  for (const tdb::IndexDef& def : indexes_) indexList_->addItem(listedIndexName(def));
  indexList_->setEnabled(true);
  indexList_->clearSelection();
  indexList_->setCurrentRow(-1);
  changeIndex_->setEnabled(false);
}

void TForm03::openIndexPanel(int chosen) {
  if (chosen >= static_cast<int>(indexes_.size())) return;
  chosenIndex_ = chosen;
  indexList_->setEnabled(false);
  if (chosen < 0) indexList_->clearSelection();
  panel_->fill(grid_->names(), chosen >= 0 ? &indexes_[static_cast<size_t>(chosen)] : nullptr);
  grid_->hide();
  panel_->show();
}

void TForm03::indexPanelConfirmed() {
  const QString refused = applyIndexPanel(indexes_, chosenIndex_, panel_->input());
  if (!refused.isEmpty()) {
    dialogs().message(refused);
    return;
  }
  closeIndexPanel();
}

void TForm03::closeIndexPanel() {
  showIndexList();
  panel_->hide();
  grid_->show();
}

void TForm03::confirm() {
  const auto rows = fieldDefsOf(grid_->rows());
  if (const auto* refused = std::get_if<RowsRefused>(&rows)) {
    dialogs().message(refused->message);
    return;
  }
  const tdb::FieldDefs& fields = std::get<tdb::FieldDefs>(rows);
  tdb::IndexDefs indexes;
  for (const tdb::IndexDef& def : indexes_) indexes.add(def);
  const bool done =
      tag_ == 0 ? createNew(fields, indexes)
                : restructureWindow(engine_, tag_ - 1, fields, indexes,
                                    [this](long done, long total) { showProgress(done, total); });
  progress_->hide();
  if (done) accept();
}

bool TForm03::createNew(const tdb::FieldDefs& fields, const tdb::IndexDefs& indexes) {
  tdb::Table t;
  const tdb::TableType type = newTableType(newTable_.table, dbfType_());
  try {
    t.setDatabaseName(engineDatabaseName(newTable_.database));
    t.setTableName(engineTableName(newTable_.table));
    t.setTableType(type);
    // Checked before anything is written, so a refusal leaves the folder as it was.
    const std::string problem = tdb::drivers::structureProblem(t.path(), type, fields, indexes);
    if (!problem.empty()) {
      dialogs().message(structureRefusal(QString::fromUtf8(problem)));
      return false;
    }
    // The designer stays open without blocking: a table of that name may have come meanwhile,
    // and creation would replace it.
    if (t.exists()) {
      dialogs().message(QStringLiteral("数据表") + newTable_.text() +
                        QStringLiteral("已经存在,请退出."));
      return false;
    }
    t.fieldDefs() = fields;
    t.indexDefs() = indexes;
    t.createTable();
  } catch (const tdb::EngineError& e) {
    dialogs().message(structureRefusal(QString::fromUtf8(e.what())));
    return false;
  }
  if (!t.exists()) {
    dialogs().message(QStringLiteral("这种类型数据表不能建立新表..."));
    return true;
  }
  return true;
}

void TForm03::showProgress(long done, long total) {
  progress_->setMaximum(static_cast<int>(std::max(total, 1L)));
  progress_->setValue(static_cast<int>(std::min(done, total)));
  progress_->show();
  // The bar paints as it moves; the user's clicks and keys wait until the work is done.
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace torvanel
