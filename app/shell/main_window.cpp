#include "app/shell/main_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>
#include <QVBoxLayout>

#include "app/common/file_error.h"
#include "app/projects/project_designer.h"
#include "app/projects/project_panel.h"
#include "app/reports/report_manager.h"
#include "app/shell/decimal_places.h"
#include "app/shell/project_windows.h"
#include "app/shell/table_chooser.h"
#include "app/shell/toolbar_band.h"
#include "app/shell/window_list_layout.h"
#include "app/tools/current_page.h"
#include "app/tools/locate_panel.h"
#include "app/tools/query_builder.h"
#include "app/tools/record_commands.h"
#include "app/tools/structure_checks.h"
#include "app/tools/structure_designer.h"
#include "app/tools/summary_panel.h"
#include "app/tools/table_transfers.h"
#include "app/ui/dialogs.h"
#include "app/windows/child_windows.h"
#include "app/windows/table_window_text.h"
#include "app/windows/window_engine.h"

namespace torvanel {

TForm0::TForm0(const QString& programFolder) : programFolder_(programFolder) {
  setObjectName(QStringLiteral("TForm0"));
  setWindowTitle(QStringLiteral("Torvanel(Vorlant 企业版V2.0)"));

  auto* centre = new QWidget(this);
  auto* layout = new QVBoxLayout(centre);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  band_ = new ToolbarBand(centre);
  mdiArea_ = new QMdiArea(centre);
  mdiArea_->setObjectName(QStringLiteral("MdiArea"));
  layout->addWidget(band_);
  layout->addWidget(mdiArea_, 1);
  setCentralWidget(centre);

  buildMenus();
  buildToolbar();
  wireCommands();
  connect(band_->windowList(), &QComboBox::activated, this, &TForm0::chooseWindow);

  // On a screen narrower than 800 pixels the window list never shows.
  band_->placeWindowList(windowListPlacement(screen()->geometry().width(), width()));
  // Without a window manager a maximised state is not honoured: fill the screen anyway.
  setGeometry(screen()->availableGeometry());
  setWindowState(Qt::WindowMaximized);

  settings_ = GlobalSettings{};
  readset();
  menuset();
}

TForm0::~TForm0() {
  if (windowEngine_) {
    disconnect(windowEngine_, nullptr, this, nullptr);
    windowEngine_->hostGone();
  }
  childWindows_ = nullptr;
}

void TForm0::buildMenus() {
  for (const MenuInfo& m : menuTable()) {
    const QString caption = QString::fromUtf8(m.caption);
    if (!m.hasItems) {
      // A menu without items acts itself when clicked.
      QAction* own = menuBar()->addAction(caption);
      menus_[index(m.id)] = own;
      items_[index(m.ownCommand)] = own;
      continue;
    }
    QMenu* menu = menuBar()->addMenu(caption);
    menus_[index(m.id)] = menu->menuAction();
    for (const CommandInfo& c : commandTable()) {
      if (c.menu != m.id) continue;
      if (c.separatorBefore && !menu->isEmpty()) menu->addSeparator();
      QAction* item = menu->addAction(QString::fromUtf8(c.caption));
      item->setCheckable(c.checkable);
      items_[index(c.id)] = item;
    }
  }
}

void TForm0::buildToolbar() {
  for (const ToolButtonInfo& b : toolbarTable()) {
    auto* action = new QAction(QIcon(QString::fromLatin1(b.icon)), QString::fromUtf8(b.hint), this);
    action->setToolTip(QString::fromUtf8(b.hint));
    buttons_[index(b.command)] = action;
    band_->addButton(action);
    if (b.separatorAfter) band_->addSeparator();
    if (b.rowBreakAfter) band_->breakRow();
  }
}

void TForm0::wireCommands() {
  using C = Command;
  handlers_[index(C::NewTable)] = [this] { chooser_->chooseFor("xj"); };
  handlers_[index(C::OpenTable)] = [this] { chooser_->chooseFor("dk"); };
  handlers_[index(C::NewProject)] = [this] {
    projectDesigner_->design(projects_, DesignerMode::New, {}, {});
  };
  handlers_[index(C::OpenProject)] = [this] { projectPanel_->open(ProjectPanel::Mode::Open); };
  handlers_[index(C::ManageProjects)] = [this] { manageProjects(); };
  // The commands on the child windows act through the window engine, then the menus follow.
  const std::pair<C, void (*)(WindowEngine&)> windowCommands[] = {
      {C::CloseTable, [](WindowEngine& e) { e.closetable(CloseMode::Close); }},
      {C::SaveTable, [](WindowEngine& e) { e.okthistable(); }},
      {C::SaveAll, [](WindowEngine& e) { e.okeverytable(); }},
      {C::CancelTable, [](WindowEngine& e) { e.cancelthistable(); }},
      {C::CancelAll, [](WindowEngine& e) { e.canceleverytable(); }},
      {C::EnterEdit, [](WindowEngine& e) { e.enteredit(); }},
      {C::LeaveEdit, [](WindowEngine& e) { e.outedit(); }},
      {C::FirstRecord, [](WindowEngine& e) { e.firstrecord(); }},
      {C::LastRecord, [](WindowEngine& e) { e.lastrecord(); }},
      {C::PriorRecord, [](WindowEngine& e) { e.priorrecord(); }},
      {C::NextRecord, [](WindowEngine& e) { e.nextrecord(); }},
      {C::AppendRecord, [](WindowEngine& e) { e.appendrecord(); }},
      {C::InsertRecord, [](WindowEngine& e) { e.insertrecord(); }},
      {C::DeleteRecord, [](WindowEngine& e) { e.delerecord(); }},
      {C::RevertRecord, [](WindowEngine& e) { e.revertrecord(); }},
      {C::MoveUp, [](WindowEngine& e) { e.recordmove(true); }},
      {C::MoveDown, [](WindowEngine& e) { e.recordmove(false); }},
      {C::SingleRecord, [](WindowEngine& e) { e.smodal(); }},
      {C::MultiRecord, [](WindowEngine& e) { e.mmodal(); }},
      {C::SelectIndex, [](WindowEngine& e) { e.selectindex(); }},
      {C::Cut, [](WindowEngine& e) { e.tablejianqie('j'); }},
      {C::Copy, [](WindowEngine& e) { e.tablejianqie('f'); }},
      {C::Paste, [](WindowEngine& e) { e.tablezhantie(); }},
      {C::LocateByNumber, locateByNumber},
      {C::DeleteAll, deleteAllRecords},
      {C::RecordToText, recordToText},
  };
  for (const auto& entry : windowCommands) {
    const auto operation = entry.second;
    handlers_[index(entry.first)] = [this, operation] {
      if (!windowEngine_) return;
      operation(*windowEngine_);
      menuset();
    };
  }
  handlers_[index(C::ModifyStructure)] = [this] {
    const int slot = windowEngine_ ? windowEngine_->activeSlot() : -1;
    if (slot < 0 || !mayRestructure(*windowEngine_, slot)) return;
    structureDesigner_->designWindow(slot);
    menuset();
  };
  handlers_[index(C::ReportManager)] = [this] {
    const int slot = windowEngine_ ? windowEngine_->activeSlot() : -1;
    if (slot < 0) return;
    reportManager_->design(*windowEngine_->registry()[slot].window);
    menuset();
  };
  handlers_[index(C::Query)] = [this] {
    const int slot = windowEngine_ ? windowEngine_->activeSlot() : -1;
    if (slot < 0) return;
    queryBuilder_->query(windowEngine_->registry()[slot]);
    menuset();
  };
  // "内容定位", "替换字段内容" and "字段数据求和" share the locate panel.
  const std::pair<C, LocatePanel::Mode> panelCommands[] = {
      {C::LocateByContent, LocatePanel::Mode::Find},
      {C::Replace, LocatePanel::Mode::Replace},
      {C::FieldSum, LocatePanel::Mode::Sum},
  };
  for (const auto& entry : panelCommands) {
    const LocatePanel::Mode mode = entry.second;
    handlers_[index(entry.first)] = [this, mode] {
      if (locatePanel_) locatePanel_->open(mode);
    };
  }
  handlers_[index(C::SummaryOutput)] = [this] { summaryPanel_->open(); };
  // The four transfers check their precondition, then the chooser names the other table.
  using K = TableTransfers::Kind;
  struct Transfer {
    C command;
    K kind;
    const char* code;
  };
  const Transfer transfers[] = {{C::CopyOutput, K::Copy, "fz"},
                                {C::AppendOutput, K::AppendOutput, "zj"},
                                {C::OrderedOutput, K::Ordered, "sx"},
                                {C::AppendInput, K::AppendInput, "ar"}};
  for (const Transfer& t : transfers)
    handlers_[index(t.command)] = [this, t] {
      if (transfers_->ready(t.kind)) chooser_->chooseFor(t.code);
    };
  handlers_[index(C::CloseAll)] = [this] {
    if (childWindows_) childWindows_->closeeverytable(CloseMode::Close);
    menuset();
  };
  handlers_[index(C::Quit)] = [this] { close(); };
  handlers_[index(C::UseBuffer)] = [this] { switchMemoryBuffer(true); };
  handlers_[index(C::NoBuffer)] = [this] { switchMemoryBuffer(false); };
  handlers_[index(C::AutoSave)] = [this] {
    changeSetting([](GlobalSettings& s) { s.autoSaveOnExit = true; });
  };
  handlers_[index(C::NoAutoSave)] = [this] {
    changeSetting([](GlobalSettings& s) { s.autoSaveOnExit = false; });
  };
  handlers_[index(C::DbaseDefault)] = [this] {
    changeSetting([](GlobalSettings& s) { s.defaultDbfType = tdb::TableType::ttDBase; });
  };
  handlers_[index(C::FoxproDefault)] = [this] {
    changeSetting([](GlobalSettings& s) { s.defaultDbfType = tdb::TableType::ttFoxPro; });
  };
  handlers_[index(C::DecimalPlaces)] = [this] { askDecimalPlaces(); };
  handlers_[index(C::Recalculate)] = [this] {
    if (windowEngine_) recalculateActive(*windowEngine_);
    menuset();
  };

  for (int i = 0; i < kCommandCount; ++i) {
    const auto c = static_cast<Command>(i);
    connect(items_[i], &QAction::triggered, this, [this, c] { run(c); });
    if (buttons_[i]) connect(buttons_[i], &QAction::triggered, this, [this, c] { run(c); });
  }
}

namespace {

// The commands that give up the change of the record in hand also give up text typed into a
// control and not yet stored; every other command stores it first.
bool dropsTyping(Command c) {
  return c == Command::LeaveEdit || c == Command::CancelTable || c == Command::CancelAll ||
         c == Command::RevertRecord;
}

}  // namespace

void TForm0::run(Command c) {
  if (windowEngine_) windowEngine_->settleEditing(!dropsTyping(c));
  // A check mark follows the setting, not the click: menuset puts it right.
  if (items_[index(c)]->isCheckable()) items_[index(c)]->setChecked(menuState_.checked(c));
  if (const auto& handler = handlers_[index(c)]) handler();
}

void TForm0::createDialogs() {
  chooser_ = new TForm01(this);
  chooser_->setDbfType([this] { return settings_.defaultDbfType; });
  windowEngine_ = new WindowEngine(*this, this);
  connect(windowEngine_, &WindowEngine::commandsChanged, this, &TForm0::menuset);
  setChildWindows(windowEngine_);
  chooser_->setAction('n', [this](const TableRef& ref) { openTable(ref); });
  queryBuilder_ = new TForm02(this);
  locatePanel_ = new LocatePanel(*windowEngine_, this);
  const auto dbfType = [this] { return settings_.defaultDbfType; };
  summaryPanel_ = new SummaryPanel(*windowEngine_, dbfType, this);
  connect(summaryPanel_, &SummaryPanel::chooseOutput, this, [this] { chooser_->chooseFor("hz"); });
  chooser_->setAction('h',
                      [this](const TableRef& ref) { summaryPanel_->setOutputName(ref.text()); });
  transfers_ = std::make_unique<TableTransfers>(*windowEngine_, dbfType);
  const std::pair<char, void (TableTransfers::*)(const TableRef&)> operations[] = {
      {'c', &TableTransfers::copyOutput},
      {'j', &TableTransfers::appendOutput},
      {'s', &TableTransfers::orderedOutput},
      {'a', &TableTransfers::appendInput}};
  for (const auto& entry : operations) {
    const auto operation = entry.second;
    chooser_->setAction(entry.first, [this, operation](const TableRef& ref) {
      (transfers_.get()->*operation)(ref);
      menuset();
    });
  }
  structureDesigner_ = new TForm03(this, *windowEngine_, dbfType);
  chooser_->setAction('y', [this](const TableRef& ref) { structureDesigner_->designNew(ref); });
  createProjectDialogs();
  reportManager_ = new Tform2(this, programFolder_);
}

void TForm0::createProjectDialogs() {
  projectDesigner_ = new TForm04(this, programFolder_, [this] { return settings_.defaultDbfType; });
  connect(projectDesigner_, &TForm04::chooseTable, this,
          [this](const char* code) { chooser_->chooseFor(code); });
  connect(projectDesigner_, &TForm04::closed, this, &TForm0::menuset);
  chooser_->setAction('z', [this](const TableRef& ref) { projectDesigner_->masterChosen(ref); });
  chooser_->setAction('f', [this](const TableRef& ref) { projectDesigner_->auxiliaryChosen(ref); });

  projectPanel_ = new ProjectPanel(projects_, programFolder_, this);
  connect(projectPanel_, &ProjectPanel::openRequested, this, [this](const ProjectListEntry& p) {
    if (projectDesigner_->load(p.name, p.master)) openProjectWindow(p.name);
  });
  connect(projectPanel_, &ProjectPanel::modifyRequested, this, [this](const ProjectListEntry& p) {
    projectDesigner_->design(projects_, DesignerMode::Modify, p.name, p.master);
  });
  connect(projectPanel_, &ProjectPanel::addRequested, this,
          [this] { projectDesigner_->design(projects_, DesignerMode::New, {}, {}); });
  connect(projectPanel_, &ProjectPanel::left, this, [this] {
    menuset();
    focusActiveWindow();
  });
}

void TForm0::manageProjects() {
  if (windowEngine_) {
    const WindowRegistry& registry = windowEngine_->registry();
    for (int slot : registry.inUse()) {
      if (registry[slot].kind != 'm') continue;
      dialogs().message(QStringLiteral("请先关闭已打开的项目，然后再进行项目设置!"));
      return;
    }
  }
  projectPanel_->open(ProjectPanel::Mode::Settings);
}

void TForm0::openProjectWindow(const QString& name) {
  if (!windowEngine_) return;
  openProject(*windowEngine_, name, projectDesigner_->definition(), settings_.formulaDecimals);
  focusActiveWindow();
}

void TForm0::focusActiveWindow() {
  const int slot = windowEngine_ ? windowEngine_->activeSlot() : -1;
  if (slot >= 0) focusCurrentPage(windowEngine_->registry()[slot]);
}

void TForm0::openTable(const TableRef& ref) {
  if (windowEngine_) windowEngine_->viewtable(ref);
}

QComboBox* TForm0::windowList() const { return band_->windowList(); }

QRect TForm0::newWindowPlace(int slot) const {
  const QSize client = centralWidget() ? centralWidget()->size() : size();
  return tableWindowGeometry(client.width(), client.height(), band_->height(), slot);
}

void TForm0::menuset() {
  MenuInputs in;
  in.settings = settings_;
  in.projectListExists = project_list_file::exists(programFolder_);
  if (childWindows_) {
    in.active = childWindows_->activeWindow();
    in.recordClipboardExists = childWindows_->recordClipboardExists();
  }
  torvanel::menuset(menuState_, in);

  for (int i = 0; i < kMenuCount; ++i) menus_[i]->setEnabled(menuState_.menuEnabled[i]);
  for (int i = 0; i < kCommandCount; ++i) {
    // A menu without items is its own command: its state is the menu's.
    const bool ownCommand = items_[i] == menus_[index(commandTable()[i].menu)];
    if (!ownCommand) items_[i]->setEnabled(menuState_.itemEnabled[i]);
    if (items_[i]->isCheckable()) items_[i]->setChecked(menuState_.itemChecked[i]);
    if (buttons_[i]) buttons_[i]->setEnabled(menuState_.buttonEnabled[i]);
  }
  action(Command::DecimalPlaces)->setText(menuState_.decimalItemCaption);
}

void TForm0::readset() {
  try {
    settings_file::read(programFolder_, settings_);
  } catch (const FileError& e) {
    showError(e);
  }
}

void TForm0::saveset() {
  try {
    settings_file::write(programFolder_, settings_);
  } catch (const FileError& e) {
    // The new value stays in force for this run.
    showError(e);
  }
}

void TForm0::changeSetting(const std::function<void(GlobalSettings&)>& change) {
  change(settings_);
  saveset();
  menuset();
}

void TForm0::switchMemoryBuffer(bool on) {
  const bool windowsOpen = childWindows_ && childWindows_->activeWindow().has_value();
  if (windowsOpen) {
    // Buffered changes are saved or dropped first; the user may cancel the switch there.
    if (!childWindows_->closeeverytable(CloseMode::SaveOnly)) return;
    settings_.useMemoryBuffer = on;
    childWindows_->reopenWithMemoryBuffer(on);
  } else {
    settings_.useMemoryBuffer = on;
  }
  saveset();
  menuset();
}

void TForm0::askDecimalPlaces() {
  const int places =
      torvanel::askDecimalPlaces(dialogs(), decimalPlaces(settings_.formulaDecimals));
  changeSetting([places](GlobalSettings& s) { s.formulaDecimals = scaleForPlaces(places); });
}

void TForm0::chooseWindow(int entry) {
  const QVariant slot = windowList()->itemData(entry);
  if (slot.isValid() && childWindows_) childWindows_->bringToFront(slot.toInt());
}

void TForm0::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  band_->placeWindowList(windowListPlacement(screen()->geometry().width(), width()));
  const int clientHeight = height() - menuBar()->height();
  const int childHeight = clientHeight - band_->sizeHint().height() - 4;
  for (QMdiSubWindow* child : mdiArea_->subWindowList()) child->resize(child->width(), childHeight);
}

void TForm0::closeEvent(QCloseEvent* event) {
  if (childWindows_) {
    try {
      if (!childWindows_->closeeverytable(CloseMode::Quit)) {
        event->ignore();  // the user cancelled: keep running
        return;
      }
    } catch (const std::exception& e) {
      // A window that fails to close must not keep the program from quitting.
      showError(e);
    }
    if (childWindows_->recordClipboardExists()) childWindows_->deleteRecordClipboard();
  }
  event->accept();
}

}  // namespace torvanel
