// The window engine's single-record view: on every display page the grid shrinks to the top
// third and below it one bound control per column, placed by the record layout rules.

#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include "app/ui/dialogs.h"
#include "app/ui/field_controls.h"
#include "app/ui/table_model.h"
#include "app/windows/record_layout.h"
#include "app/windows/table_window.h"
#include "app/windows/window_engine.h"

namespace torvanel {

namespace {

QFrame* aquaLine(QWidget* parent) {
  auto* line = new QFrame(parent);
  line->setFixedHeight(3);
  line->setAutoFillBackground(true);
  QPalette p = line->palette();
  p.setColor(QPalette::Window, QColor(0, 255, 255));
  line->setPalette(p);
  return line;
}

QLabel* colouredLabel(const QString& text, const QColor& colour, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setAutoFillBackground(true);
  QPalette p = label->palette();
  p.setColor(QPalette::Window, colour);
  label->setPalette(p);
  return label;
}

bool isMemo(tdb::FieldType t) {
  return t == tdb::FieldType::ftMemo || t == tdb::FieldType::ftFmtMemo;
}
bool isPicture(tdb::FieldType t) {
  return t == tdb::FieldType::ftBlob || t == tdb::FieldType::ftGraphic ||
         t == tdb::FieldType::ftTypedBinary;
}

}  // namespace

void WindowEngine::smodal() {
  const int slot = activeSlot();
  if (slot < 0) return;
  WindowSlot& s = registry_[slot];
  TForm11& w = *s.window;
  if (w.viewMode() == 1) return;
  // A project page may name a field the master lacks: the view cannot show it.
  for (size_t page = 0; page < s.pagegrids.size(); ++page) {
    const auto& shown = static_cast<TableModel*>(s.pagegrids[page]->model())->columns();
    for (size_t c = 0; c < shown.size(); ++c) {
      if (shown[c].field >= 0) continue;
      dialogs().message(QStringLiteral("数据表[") + w.databaseName() + QStringLiteral("]") +
                        w.tableName() + QStringLiteral("中没有字段[") +
                        s.pagecolumns[page][c].field + QStringLiteral("]!"));
      return;
    }
  }
  w.setViewMode(1);
  const bool editing = inEditState(slot);
  const QFontMetrics metrics(w.font());
  const int textHeight = metrics.boundingRect(QStringLiteral("和")).height();
  const size_t pages = s.pagegrids.size();
  s.editslots.assign(pages, {});
  s.edits.assign(pages, {});
  s.combos.assign(pages, {});
  s.editlabels.assign(pages, {});
  s.images.assign(pages, {});
  s.imagelabels.assign(pages, {});
  s.memos.assign(pages, {});
  s.memolabels.assign(pages, {});
  s.recgridsplitters.assign(pages, nullptr);
  s.recboxes.assign(pages, nullptr);
  s.recpanels.assign(pages, nullptr);
  s.recboxsplitters.assign(pages, nullptr);

  for (size_t page = 0; page < pages; ++page) {
    QTableView* grid = s.pagegrids[page];
    QWidget* sheet = s.pagesheets[page];
    auto* model = static_cast<TableModel*>(grid->model());
    const tdb::FieldDefs& fields = w.table().fieldDefs();

    const PageSplit split = splitRecordPage(sheet->height());
    grid->setFixedHeight(split.gridHeight);
    s.recgridsplitters[page] = aquaLine(sheet);
    auto* box = new QScrollArea(sheet);
    box->setFixedHeight(std::max(split.boxHeight, 1));
    auto* panel = new QWidget;
    panel->setAutoFillBackground(true);
    QPalette grey = panel->palette();
    grey.setColor(QPalette::Window, QColor(128, 128, 128));
    panel->setPalette(grey);
    s.recboxes[page] = box;
    s.recpanels[page] = panel;
    s.recboxsplitters[page] = aquaLine(sheet);
    auto* layout = static_cast<QVBoxLayout*>(sheet->layout());
    layout->addWidget(s.recgridsplitters[page]);
    layout->addWidget(box);
    layout->addWidget(s.recboxsplitters[page]);
    layout->addStretch();

    // The columns sorted into pictures, edit fields and memos, each with its label.
    RecordLayoutInput in;
    // The box is new and not laid out yet: its client area is the page's width and the box's
    // height, less its frame.
    const int frame = 2 * box->frameWidth();
    in.panelWidth = sheet->width() - frame;
    in.panelHeight = std::max(split.boxHeight, 1) - frame;
    in.pixelsPerInch = w.logicalDpiX();
    in.textHeight = textHeight;
    const auto& columns = model->columns();
    for (size_t c = 0; c < columns.size(); ++c) {
      const int field = columns[c].field;
      const QString& title = columns[c].title;
      const tdb::FieldType type = fields[field].type;
      if (isMemo(type)) {
        auto* label = colouredLabel(title + QStringLiteral(":"), QColor(255, 0, 0), panel);
        s.memolabels[page].push_back(label);
        s.memos[page].push_back(new FieldMemo(w.source(), field, panel));
        s.memos[page].back()->installEventFilter(this);
        in.memoLabelWidths.push_back(metrics.horizontalAdvance(label->text()));
      } else if (isPicture(type)) {
        auto* label = colouredLabel(title, QColor(255, 0, 0), panel);
        label->setAlignment(Qt::AlignCenter);
        s.imagelabels[page].push_back(label);
        s.images[page].push_back(new FieldPicture(w.source(), field, panel));
        in.pictureLabelWidths.push_back(metrics.horizontalAdvance(label->text()));
      } else {
        auto* label = colouredLabel(title + QStringLiteral(":"), QColor(255, 255, 0), panel);
        s.editlabels[page].push_back(label);
        // A column with a pick list gets a combo box, any other an edit box.
        QWidget* control;
        if (columns[c].pickList.isEmpty()) {
          auto* edit = new FieldEdit(w.source(), field, panel);
          edit->setFrame(false);
          s.editslots[page].push_back({'e', static_cast<int>(s.edits[page].size())});
          s.edits[page].push_back(edit);
          control = edit;
        } else {
          auto* combo = new FieldCombo(w.source(), field, columns[c].pickList, panel);
          combo->setFrame(false);
          s.editslots[page].push_back({'c', static_cast<int>(s.combos[page].size())});
          s.combos[page].push_back(combo);
          control = combo;
        }
        control->installEventFilter(this);
        in.editFields.push_back({metrics.horizontalAdvance(label->text()),
                                 grid->columnWidth(static_cast<int>(c)),
                                 control->sizeHint().height()});
      }
    }
    const RecordLayout placed = layOutRecord(in);
    for (size_t i = 0; i < s.images[page].size(); ++i) {
      s.images[page][i]->setGeometry(placed.pictures[i]);
      s.imagelabels[page][i]->setGeometry(placed.pictureLabels[i]);
    }
    for (size_t i = 0; i < s.editslots[page].size(); ++i) {
      s.editlabels[page][i]->setGeometry(placed.editLabels[i]);
      const auto [kind, index] = s.editslots[page][i];
      if (kind == 'e') {
        s.edits[page][static_cast<size_t>(index)]->setGeometry(placed.edits[i]);
        s.edits[page][static_cast<size_t>(index)]->setReadOnly(!editing);
      } else {
        s.combos[page][static_cast<size_t>(index)]->setGeometry(placed.edits[i]);
        s.combos[page][static_cast<size_t>(index)]->setReadOnly(!editing);
      }
    }
    for (size_t i = 0; i < s.memos[page].size(); ++i) {
      s.memolabels[page][i]->setGeometry(placed.memoLabels[i]);
      s.memos[page][i]->setGeometry(placed.memos[i]);
      s.memos[page][i]->setFrameShape(QFrame::NoFrame);
      s.memos[page][i]->setReadOnly(!editing);
    }
    panel->setFixedSize(placed.panel);
    box->setWidget(panel);
    hookLookups(slot, page);
  }
  attachFieldMenus(slot);

  const RecordButtons b =
      placeRecordButtons(w.width(), w.appendButton()->sizeHint().width(),
                         w.nextButton()->sizeHint().width(), w.priorButton()->sizeHint().width());
  w.appendButton()->move(b.appendLeft, 0);
  w.nextButton()->move(b.nextLeft, 0);
  w.priorButton()->move(b.priorLeft, 0);
  for (QPushButton* button : {w.appendButton(), w.nextButton(), w.priorButton()}) {
    button->show();
    button->raise();
  }
  w.appendButton()->setEnabled(editing);
  if (editing) w.appendButton()->setFocus();
  emit commandsChanged();
}

void WindowEngine::dropRecordView(int slot) {
  WindowSlot& s = registry_[slot];
  for (size_t page = 0; page < s.recpanels.size(); ++page) {
    delete s.recboxes[page];  // with its panel and every control on it
    delete s.recgridsplitters[page];
    delete s.recboxsplitters[page];
    if (auto* layout = s.pagesheets[page]->layout()) {
      // The stretch that pushed the record view up goes too.
      for (int i = layout->count() - 1; i >= 1; --i) delete layout->takeAt(i);
    }
    s.pagegrids[page]->setMinimumHeight(0);
    s.pagegrids[page]->setMaximumHeight(QWIDGETSIZE_MAX);
  }
  for (auto* list : {&s.recgridsplitters, &s.recboxsplitters}) list->clear();
  s.recboxes.clear();
  s.recpanels.clear();
  s.editslots.clear();
  s.edits.clear();
  s.combos.clear();
  s.editlabels.clear();
  s.images.clear();
  s.imagelabels.clear();
  s.memos.clear();
  s.memolabels.clear();
  TForm11& w = *s.window;
  for (QPushButton* button : {w.appendButton(), w.nextButton(), w.priorButton()}) button->hide();
}

void WindowEngine::mmodal() {
  const int slot = activeSlot();
  if (slot < 0) return;
  TForm11& w = *registry_[slot].window;
  if (w.viewMode() == 0) return;
  w.setViewMode(0);
  tdb::Table& t = w.table();
  if (t.editing()) {
    try {
      t.post();
    } catch (const tdb::EngineError& e) {
      showError(e);
    }
  }
  dropRecordView(slot);
  emit commandsChanged();
}

void WindowEngine::focusFirstEdit(int slot) {
  WindowSlot& s = registry_[slot];
  if (s.window->viewMode() != 1) return;
  const int page = s.window->upperPages()->currentIndex();
  if (page < 0 || static_cast<size_t>(page) >= s.edits.size()) return;
  if (!s.editslots[page].empty()) {
    const auto [kind, index] = s.editslots[page].front();
    if (kind == 'e') s.edits[page][static_cast<size_t>(index)]->setFocus();
    if (kind == 'c') s.combos[page][static_cast<size_t>(index)]->setFocus();
  }
}

}  // namespace torvanel
