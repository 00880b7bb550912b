#include "app/shell/table_chooser.h"

#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScreen>
#include <QTableView>

#include "app/common/gbk_string.h"
#include "app/common/table_names.h"
#include "app/shell/splash_window.h"
#include "app/ui/dialogs.h"
#include "app/ui/table_model.h"
#include "engine/engine_error.h"
#include "engine/session.h"

namespace torvanel {

namespace {

constexpr std::array<ChooserModeInfo, 9> kModes{{
    {"dk", 'n', "打开数据表"},
    {"xj", 'y', "新建数据表"},
    {"zk", 'z', "选择项目主表"},
    {"fk", 'f', "选择项目辅助表"},
    {"hz", 'h', "选择汇总输出文件"},
    {"fz", 'c', "选择复制输出文件"},
    {"zj", 'j', "选择追加输出文件"},
    {"ar", 'a', "选择输入文件"},
    {"sx", 's', "选择输出文件"},
}};

const ChooserModeInfo& modeInfo(char mode) {
  for (const ChooserModeInfo& m : kModes)
    if (m.mode == mode) return m;
  return kModes[0];
}

bool isTableExtension(const QString& fileName) {
  const QString ext = QFileInfo(fileName).suffix().toUpper();
  return ext == QLatin1String("DB") || ext == QLatin1String("DBF") || ext == QLatin1String("TXT");
}

}  // namespace

const QString TForm01::kFileTables = QStringLiteral("标准数据表");

std::span<const ChooserModeInfo> chooserModes() { return kModes; }

const ChooserModeInfo* chooserModeFor(const QString& code) {
  for (const ChooserModeInfo& m : kModes)
    if (code == QLatin1String(m.code)) return &m;
  return nullptr;
}

bool isOutputMode(char mode) { return mode == 'y' || mode == 'h' || mode == 'c' || mode == 's'; }

TForm01::TForm01(QWidget* mainWindow) : QDialog(mainWindow) {
  setObjectName(QStringLiteral("TForm01"));
  setWindowTitle(QString::fromUtf8(kModes[0].caption));
  setModal(false);

  auto* databaseGroup = new QGroupBox(QStringLiteral("请选择链接别名:"), this);
  databases_ = new QComboBox(databaseGroup);
  databases_->setObjectName(QStringLiteral("databaseList"));
  databases_->installEventFilter(this);
  chooseButton_ = new QPushButton(QStringLiteral("选择数据表"), databaseGroup);
  auto* databaseRow = new QHBoxLayout(databaseGroup);
  databaseRow->addWidget(databases_, 1);
  databaseRow->addWidget(chooseButton_);

  tableGroup_ = new QGroupBox(QStringLiteral("请选择数据表 ："), this);
  tables_ = new QComboBox(tableGroup_);
  tables_->setObjectName(QStringLiteral("tableList"));
  tables_->setInsertPolicy(QComboBox::NoInsert);  // a typed name is the choice, not a new entry
  confirmButton_ = new QPushButton(QStringLiteral("确认"), tableGroup_);
  cancelButton_ = new QPushButton(QStringLiteral("取消"), tableGroup_);
  auto* tableRow = new QHBoxLayout(tableGroup_);
  tableRow->addWidget(tables_, 1);
  tableRow->addWidget(confirmButton_);
  tableRow->addWidget(cancelButton_);
  tableGroup_->hide();

  previewSource_ = std::make_unique<TableSource>(previewTable_);
  previewModel_ = new TableModel(*previewSource_, this);
  grid_ = new QTableView(this);
  grid_->setObjectName(QStringLiteral("previewGrid"));
  grid_->setModel(previewModel_);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->hide();

  // Fixed places, as the two heights demand: both groups fit the collapsed 146 pixels, the
  // grid shows below them only in the full height.
  databaseGroup->setGeometry(8, 4, kWidth - 16, 62);
  tableGroup_->setGeometry(8, 72, kWidth - 16, 62);
  grid_->setGeometry(8, kCollapsedHeight - 4, kWidth - 16, kFullHeight - kCollapsedHeight);

  connect(chooseButton_, &QPushButton::clicked, this, &TForm01::chooseDatabase);
  connect(confirmButton_, &QPushButton::clicked, this, &TForm01::confirm);
  connect(cancelButton_, &QPushButton::clicked, this, &TForm01::cancel);
  connect(tables_, &QComboBox::currentTextChanged, this,
          [this](const QString& text) { preview(chosen_.database, text); });

  fillDatabases();
  resize(kWidth, kFullHeight);
  move(TForm00::centredOn(screen()->geometry().size(), size()));
  resize(kWidth, kCollapsedHeight);
}

TForm01::~TForm01() {
  // The model and the grid go with the dialog; the table closes before its source stops listening.
  previewTable_.close();
}

void TForm01::fillDatabases() {
  databases_->clear();
  databases_->addItem(kFileTables);
  try {
    for (const tdb::Alias& a : tdb::Session::aliases().aliases())
      databases_->addItem(fromGbk(a.name));
  } catch (const tdb::EngineError&) {
    // Aliases that cannot be listed leave the file tables alone.
  }
  databases_->setCurrentIndex(0);
}

void TForm01::setAction(char mode, Action action) {
  actions_[static_cast<unsigned char>(mode) & 0x7F] = std::move(action);
}

void TForm01::chooseFor(const char* code) {
  if (const ChooserModeInfo* m = chooserModeFor(QLatin1String(code))) mode_ = m->mode;
  // For the project designer, which waits modal under it, the chooser must be modal itself to
  // take the user's input; everywhere else it leaves the main window free.
  const Qt::WindowModality modality =
      mode_ == 'z' || mode_ == 'f' ? Qt::ApplicationModal : Qt::NonModal;
  if (windowModality() != modality) {
    hide();
    setWindowModality(modality);
  }
  activate();
  show();
  raise();
  activateWindow();
}

void TForm01::activate() {
  confirmed_ = false;
  setWindowTitle(QString::fromUtf8(modeInfo(mode_).caption));
  tableGroup_->hide();
  chooseButton_->setDefault(true);
  chosen_ = {};
}

bool TForm01::eventFilter(QObject* watched, QEvent* event) {
  if (watched == databases_ && event->type() == QEvent::FocusIn) {
    // Back to the database list: a table chosen before no longer stands.
    tableGroup_->hide();
    chooseButton_->setDefault(true);  // Enter here chooses the database
    closePreview();
    collapse();
    chosen_.table.clear();
  }
  return QDialog::eventFilter(watched, event);
}

void TForm01::chooseDatabase() {
  confirmed_ = false;
  chosen_.database = databases_->currentText();
  if (chosen_.database == kFileTables) {
    chooseFile();
    return;
  }
  QStringList names;
  try {
    const std::string alias = engineDatabaseName(chosen_.database);
    const bool standard = tdb::Session::aliases().driverName(alias) == "STANDARD";
    for (const std::string& t : tdb::listTables(tdb::Session::folderOf(alias))) {
      const QString name = tableText(t);
      names << (standard ? name : QFileInfo(name).completeBaseName());
    }
  } catch (const tdb::EngineError& e) {
    // A folder that cannot be read offers no tables, and the user learns why.
    showError(e);
  }
  const bool output = isOutputMode(mode_);
  {
    const QSignalBlocker quiet(tables_);
    tables_->clear();
    tables_->setEditable(output);
    tables_->addItems(names);
    tables_->setCurrentIndex(!output && !names.isEmpty() ? 0 : -1);
    if (output) tables_->clearEditText();
  }
  tableGroup_->show();
  confirmButton_->setDefault(true);  // Enter in the table list confirms the name it shows
  tables_->setFocus();
  preview(chosen_.database, tables_->currentText());
}

void TForm01::chooseFile() {
  chosen_.table.clear();
  const QString title = kFileTables;
  const QString filter =
      QStringLiteral("数据库文件(*.db,*.dbf,*.txt) (*.DB *.DBF *.TXT *.db *.dbf *.txt)");
  QString file;
  for (;;) {
    // The file under the dialog's cursor is previewed as it moves.
    const Dialogs::FileCursor previewFile = [this](const QString& path) {
      const QFileInfo info(path);
      preview(info.absolutePath() + QLatin1Char('/'), info.fileName());
    };
    const std::optional<QString> answer =
        isOutputMode(mode_) ? dialogs().saveFile(title, filter, QString(), previewFile)
                            : dialogs().openFile(title, filter, QString(), previewFile);
    if (!answer) return;
    confirmed_ = true;
    file = *answer;
    if (isTableExtension(file)) break;
    confirmed_ = false;
    dialogs().message(QStringLiteral("文件扩展名错误,请重新输入!"));
  }
  const QFileInfo info(file);
  chosen_.database = info.absolutePath() + QLatin1Char('/');
  chosen_.table = info.fileName();
  done(QDialog::Accepted);
}

void TForm01::confirm() {
  chosen_.table = tables_->currentText();
  confirmed_ = true;
  done(QDialog::Accepted);
}

void TForm01::cancel() {
  confirmed_ = false;
  done(QDialog::Rejected);
}

void TForm01::done(int result) {
  collapse();
  closePreview();
  if (!confirmed_) chosen_ = {};
  QDialog::done(result);
  if (!chosen_.table.isEmpty()) runAction();
}

void TForm01::runAction() {
  if (mode_ == 'y') {
    tdb::Table t;
    t.setDatabaseName(engineDatabaseName(chosen_.database));
    t.setTableName(engineTableName(chosen_.table));
    bool exists = false;
    try {
      exists = t.exists();
    } catch (const tdb::EngineError&) {
      // An unknown alias holds no table of that name.
    }
    if (exists) {
      dialogs().message(QStringLiteral("数据表[") + chosen_.database + QStringLiteral("]") +
                        chosen_.table + QStringLiteral("已经存在,请退出."));
      return;
    }
  }
  if (const Action& action = actions_[static_cast<unsigned char>(mode_) & 0x7F]) action(chosen_);
}

void TForm01::preview(const QString& database, const QString& table) {
  closePreview();
  if (table.isEmpty()) {
    collapse();
    return;
  }
  previewTable_.setDatabaseName(engineDatabaseName(database));
  previewTable_.setTableName(engineTableName(table));
  const bool dbf = table.toUpper().endsWith(QLatin1String(".DBF"));
  previewTable_.setTableType(dbf && dbfType_ ? dbfType_() : tdb::TableType::ttDefault);
  try {
    previewTable_.open();
  } catch (const tdb::EngineError&) {
    previewTable_.close();
  }
  previewModel_->refresh();
  if (previewTable_.active()) {
    grid_->show();
    resize(kWidth, kFullHeight);
  } else {
    collapse();
  }
}

void TForm01::closePreview() {
  previewTable_.close();
  previewModel_->refresh();
}

void TForm01::collapse() {
  grid_->hide();
  resize(kWidth, kCollapsedHeight);
}

}  // namespace torvanel
