#include "app/projects/page_editor.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/projects/prompt_panel.h"
#include "app/ui/dialogs.h"

#include "app/projects/panel_frame.h"

namespace torvanel {

namespace {

enum Column { kNumber, kField, kDisplay, kPrompt };

bool blank(const QString& s) { return s.trimmed().isEmpty(); }

}  // namespace

PageEditor::PageEditor(QWidget* parent) : QFrame(parent) {
  makePanelFrame(this, "pageEditor");
  tabs_ = new QTabBar(this);
  tabs_->setObjectName(QStringLiteral("pageTabs"));
  grid_ = new QTableWidget(0, 4, this);
  grid_->setObjectName(QStringLiteral("pageGrid"));
  grid_->setHorizontalHeaderLabels({QStringLiteral("序号"), QStringLiteral("字段名称"),
                                    QStringLiteral("显示名称"),
                                    QStringLiteral("输入时用于提示的数据表及字段")});
  grid_->verticalHeader()->hide();
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->horizontalHeader()->setStretchLastSection(true);
  pageName_ = new QLineEdit(this);
  pageName_->setObjectName(QStringLiteral("pageName"));
  fields_ = new QListWidget(this);
  fields_->setObjectName(QStringLiteral("masterFields"));
  prompt_ = new PromptPanel(this);

  auto* buttons = new QVBoxLayout;
  const auto button = [this, buttons](const char* caption, auto slot) {
    auto* b = new QPushButton(QString::fromUtf8(caption), this);
    connect(b, &QPushButton::clicked, this, slot);
    buttons->addWidget(b);
  };
  button("->", [this] { addSelected(); });
  button("<-", [this] { removeCurrent(); });
  button(">>", [this] { addAll(); });
  button("<<", [this] { removeAll(); });
  button("∨下移", [this] { move(1); });
  button("∧上移", [this] { move(-1); });
  button("增加页面", [this] { appendPage(); });
  button("插入页面", [this] { insertPage(); });
  button("删除当前页面", [this] { deletePage(); });
  button("设置提示字段", [this] { choosePrompt(); });
  button("退  出", [this] {
    prompt_->hide();
    hide();
  });

  auto* layout = new QGridLayout(this);
  layout->addWidget(tabs_, 0, 0, 1, 3);
  layout->addWidget(grid_, 1, 0, 3, 1);
  layout->addWidget(prompt_, 1, 0, 3, 1);  // over the page grid while it is shown
  layout->addWidget(new QLabel(QStringLiteral("页面名称:"), this), 1, 1);
  layout->addWidget(pageName_, 1, 2);
  layout->addWidget(new QLabel(QStringLiteral("主数据库表字段:"), this), 2, 1, 1, 2);
  layout->addWidget(fields_, 3, 1);
  layout->addLayout(buttons, 3, 2);
  layout->setColumnStretch(0, 3);

  connect(tabs_, &QTabBar::currentChanged, this, [this](int index) {
    if (!showing_ && index >= 0) showPage(index);
  });
  connect(pageName_, &QLineEdit::textEdited, this, [this](const QString& text) {
    page().caption = text;
    tabs_->setTabText(current_, text);
  });
  connect(grid_, &QTableWidget::cellChanged, this, &PageEditor::displayTyped);
  connect(prompt_, &PromptPanel::chosen, this, [this](const QString& source) {
    const int row = grid_->currentRow();
    if (row < 0) return;
    page().rows[row].promptSource = source;
    showGrid();
    grid_->setCurrentCell(row, kPrompt);
  });
  hide();
}

void PageEditor::setSources(const TableRef& master, FieldReader readFields) {
  master_ = master;
  readFields_ = std::move(readFields);
}

void PageEditor::load(QList<DisplayPage> pages) {
  pages_ = std::move(pages);
  if (pages_.empty()) pages_.push_back({DisplayPage::defaultCaption(0)});
  for (DisplayPage& p : pages_)
    if (p.rows.empty()) p.rows.resize(1);
  current_ = 0;
  showTabs();
  showGrid();
}

void PageEditor::open() {
  prompt_->hide();
  show();
  raise();
  showPage(0);
}

bool PageEditor::hasFields() const { return pages_[current_].hasFields(); }

void PageEditor::showPage(int index) {
  current_ = index;
  showTabs();
  showGrid();
  refresh();
}

void PageEditor::refresh() {
  QStringList names = readFields_ ? readFields_(master_) : QStringList();
  for (const PageColumn& r : page().rows) names.removeAll(r.field);
  fields_->clear();
  fields_->addItems(names);
  fields_->setCurrentRow(0);
  pageName_->setText(page().caption);
}

void PageEditor::showTabs() {
  showing_ = true;
  while (tabs_->count() > 0) tabs_->removeTab(0);
  for (const DisplayPage& p : pages_) tabs_->addTab(p.caption);
  tabs_->setCurrentIndex(current_);
  showing_ = false;
}

void PageEditor::showGrid() {
  showing_ = true;
  const int row = grid_->currentRow();
  const QList<PageColumn>& rows = page().rows;
  grid_->setRowCount(static_cast<int>(rows.size()));
  const bool typeable = hasFields();
  for (int r = 0; r < grid_->rowCount(); ++r) {
    const PageColumn& p = rows[static_cast<size_t>(r)];
    const QString cells[] = {QString::number(r + 1), p.field, p.displayName, p.promptSource};
    for (int c = kNumber; c <= kPrompt; ++c) {
      auto* cell = new QTableWidgetItem(cells[c]);
      Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
      if (c == kDisplay && typeable) flags |= Qt::ItemIsEditable;
      cell->setFlags(flags);
      grid_->setItem(r, c, cell);
    }
  }
  grid_->setCurrentCell(std::clamp(row, 0, grid_->rowCount() - 1), kField);
  showing_ = false;
}

void PageEditor::displayTyped(int row, int column) {
  if (showing_ || column != kDisplay) return;
  page().rows[row].displayName = grid_->item(row, column)->text();
}

void PageEditor::addField(const QString& field, bool blankIsEmpty) {
  QList<PageColumn>& rows = page().rows;
  const QString& first = rows.front().field;
  if (blankIsEmpty ? blank(first) : first.isEmpty())
    rows.front() = {field, field, {}};
  else
    rows.push_back({field, field, {}});
}

void PageEditor::addSelected() {
  const QListWidgetItem* chosen = fields_->currentItem();
  if (!chosen) return;
  const int row = fields_->currentRow();
  addField(chosen->text(), false);
  delete fields_->takeItem(row);
  showGrid();
  grid_->setCurrentCell(grid_->rowCount() - 1, kField);
}

void PageEditor::addAll() {
  for (int i = 0; i < fields_->count(); ++i) addField(fields_->item(i)->text(), true);
  fields_->clear();
  showGrid();
}

void PageEditor::removeCurrent() {
  const int row = grid_->currentRow();
  if (!hasFields() || row < 0) return;
  QList<PageColumn>& rows = page().rows;
  // Back at the end of the list, not at its place in the table: the next refresh sorts it.
  fields_->addItem(rows[row].field);
  if (rows.size() == 1)
    rows.front() = {};
  else
    rows.erase(rows.begin() + row);
  showGrid();
}

void PageEditor::removeAll() {
  if (!hasFields()) return;
  for (const PageColumn& r : page().rows) fields_->addItem(r.field);
  page().rows = {PageColumn{}};
  showGrid();
}

void PageEditor::move(int by) {
  const int row = grid_->currentRow();
  const int to = row + by;
  QList<PageColumn>& rows = page().rows;
  if (row < 0 || to < 0 || to >= static_cast<int>(rows.size())) return;
  rows.swapItemsAt(row, to);
  showGrid();
  grid_->setCurrentCell(to, kField);
}

void PageEditor::appendPage() {
  pages_.push_back({DisplayPage::defaultCaption(static_cast<int>(pages_.size()))});
  showPage(static_cast<int>(pages_.size()) - 1);
}

void PageEditor::insertPage() {
  // The pages from here on move up one, keeping the captions they had.
  const int k = current_;
  pages_.insert(pages_.begin() + k, DisplayPage{DisplayPage::defaultCaption(k)});
  showPage(k);
}

void PageEditor::deletePage() {
  if (pages_.size() == 1) {
    pages_.front() = {DisplayPage::defaultCaption(0)};
  } else {
    pages_.erase(pages_.begin() + current_);
  }
  showPage(0);
}

void PageEditor::choosePrompt() {
  if (blank(page().rows.front().field)) {
    dialogs().message(QStringLiteral("没有页面字段,不能设置提示字段!"));
    return;
  }
  const int row = std::max(grid_->currentRow(), 0);
  const QList<TableRef> tables = auxiliaries_ ? auxiliaries_() : QList<TableRef>();
  if (tables.isEmpty()) {
    dialogs().message(QStringLiteral("没有辅助数据表,不能设置提示字段!"));
    return;
  }
  grid_->setCurrentCell(row, kField);
  prompt_->open(page().rows[row].field, tables, readFields_);
}

}  // namespace torvanel
