#include "app/tools/locate_panel.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include "app/common/gbk_string.h"
#include "app/common/number_text.h"
#include "app/tools/current_page.h"
#include "app/ui/dialogs.h"
#include "app/ui/suspended_display.h"
#include "app/windows/table_window.h"
#include "app/windows/window_engine.h"
#include "engine/engine_error.h"

namespace torvanel {

LocatePanel::LocatePanel(WindowEngine& engine, QWidget* mainWindow)
    : QFrame(mainWindow), engine_(engine) {
  setObjectName(QStringLiteral("LocatePanel"));
  setFrameShape(QFrame::Panel);
  setFrameShadow(QFrame::Raised);
  setAutoFillBackground(true);
  label_ = new QLabel(this);
  fields_ = new QListWidget(this);
  group_ = new QGroupBox(this);
  text_ = new QLineEdit(group_);
  auto* groupLayout = new QVBoxLayout(group_);
  groupLayout->addWidget(text_);
  action_ = new QPushButton(this);
  action_->setObjectName(QStringLiteral("action"));
  auto* cancel = new QPushButton(QStringLiteral("取消"), this);
  cancel->setObjectName(QStringLiteral("cancel"));
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(action_);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label_);
  layout->addWidget(fields_, 1);
  layout->addWidget(group_);
  layout->addLayout(buttons);
  resize(260, 320);
  hide();

  connect(fields_, &QListWidget::currentRowChanged, this, &LocatePanel::fieldChosen);
  connect(action_, &QPushButton::clicked, this, &LocatePanel::execute);
  connect(cancel, &QPushButton::clicked, this, &LocatePanel::close);
}

void LocatePanel::open(Mode mode) {
  const int slot = engine_.activeSlot();
  if (slot < 0) return;
  if (mode == Mode::Replace && !engine_.inEditState(slot)) return;
  mode_ = mode;
  static const char* const kCaptions[3][3] = {
      {"选择定位字段:", "输入字段内容:", "查找"},
      {"选择替换字段:", "输入替换内容:", "替换"},
      {"选择求和字段:", "字段统计和为:", "求和"},
  };
  const auto& captions = kCaptions[static_cast<int>(mode)];
  label_->setText(QString::fromUtf8(captions[0]));
  group_->setTitle(QString::fromUtf8(captions[1]));
  action_->setText(QString::fromUtf8(captions[2]));

  const tdb::Table& t = engine_.registry()[slot].window->table();
  fields_->blockSignals(true);
  fields_->clear();
  for (const tdb::FieldDef& def : t.fieldDefs()) fields_->addItem(fromGbk(def.name));
  fields_->blockSignals(false);
  fields_->setCurrentRow(0);
  fieldChosen();

  // Over the middle of the main window.
  const QWidget* main = parentWidget();
  move(std::max((main->width() - width()) / 2, 0), std::max((main->height() - height()) / 2, 0));
  show();
  raise();
}

void LocatePanel::fieldChosen() {
  if (mode_ == Mode::Sum) {
    text_->setReadOnly(true);
    text_->clear();
    return;
  }
  text_->setReadOnly(false);
  const int slot = engine_.activeSlot();
  const int field = fields_->currentRow();
  if (slot < 0 || field < 0) return;
  try {
    text_->setText(fromGbk(engine_.registry()[slot].window->table().field(field).asString()));
  } catch (const tdb::EngineError&) {
    text_->clear();
  }
}

void LocatePanel::execute() {
  if (engine_.activeSlot() < 0 || !fields_->currentItem()) return;
  switch (mode_) {
    case Mode::Find:
      find();
      break;
    case Mode::Replace:
      replace();
      break;
    case Mode::Sum:
      sum();
      break;
  }
}

void LocatePanel::close() {
  hide();
  const int slot = engine_.activeSlot();
  if (slot >= 0) focusCurrentPage(engine_.registry()[slot]);
}

void LocatePanel::find() {
  tdb::Table& t = engine_.registry()[engine_.activeSlot()].window->table();
  const QString field = fields_->currentItem()->text();
  const std::string name = gbkText(field);
  const QString text = text_->text();
  bool found = false;
  try {
    if (!text.isEmpty()) {
      found = t.locate(name, tdb::Value::text(fieldGbk(text, field)),
                       tdb::loCaseInsensitive | tdb::loPartialKey);
    } else {
      // An empty box finds an empty text, or failing that a blank value; as a leading part
      // the empty text would find any record.
      if (t.fieldByName(name).dataType() == tdb::FieldType::ftString)
        found = t.locate(name, tdb::Value::text(""), tdb::loCaseInsensitive);
      if (!found) found = t.locate(name, tdb::Value(), tdb::loCaseInsensitive);
    }
  } catch (const tdb::EngineError& e) {
    showError(e);
    return;
  }
  if (!found) {
    dialogs().message(QStringLiteral("字段[") + field + QStringLiteral("]=") + text +
                      QStringLiteral("没有找到!"));
    return;
  }
  close();
}

void LocatePanel::walk(const std::function<void(tdb::Table&, int, TForm11&)>& work) {
  TForm11& window = *engine_.registry()[engine_.activeSlot()].window;
  tdb::Table& t = window.table();
  try {
    // By name: another window may have become the active one since the panel was filled.
    const int index = t.fieldByName(gbkText(fields_->currentItem()->text())).index();
    window.showProgress(static_cast<int>(t.recordCount()));
    // The loop never yields to the event loop, so the grid could not show the records passing
    // anyway; suspended, it is not told of each one, which would cost far more than the work.
    SuspendedDisplay still(t);
    const tdb::Bookmark here = t.bookmark();
    work(t, index, window);
    try {
      t.gotoBookmark(here);
    } catch (const tdb::EngineError&) {
      // The record has gone from the view (a replacement took it out of the filter).
      t.first();
    }
  } catch (const tdb::EngineError& e) {
    showError(e);
  }
  window.hideProgress();
}

void LocatePanel::sum() {
  const QString field = fields_->currentItem()->text();
  double total = 0;
  walk([&](tdb::Table& t, int index, TForm11& window) {
    const tdb::Field& f = t.field(index);
    // A logical value reads as 0 or 1, which is no quantity to add up.
    const bool logical = f.dataType() == tdb::FieldType::ftBoolean;
    t.first();
    for (int k = 1; !t.eof(); ++k) {
      window.setProgress(k);
      bool added = !logical;
      try {
        if (added && !f.isNull()) total += f.asNumber();
      } catch (const tdb::EngineError&) {
        added = false;
      }
      if (!added) {
        dialogs().message(QStringLiteral("字段[") + field + QStringLiteral("]类型不能求和!"));
        break;
      }
      t.next();
    }
    text_->setText(QString::fromStdString(shortestNumberText(total)));
  });
}

void LocatePanel::replace() {
  const QString field = fields_->currentItem()->text();
  std::string value;
  try {
    value = fieldGbk(text_->text(), field);
  } catch (const tdb::EngineError& e) {
    showError(e);  // nothing replaced; the panel stays for another value
    return;
  }
  walk([&](tdb::Table& t, int index, TForm11& window) {
    // The records shown now, each rewritten once: a rewritten record may move in the window's
    // order (to the end, when the order is by the replaced field) or leave its filter, so the
    // walk goes by the records noted here, not from one record to the next.
    std::vector<uint32_t> records;
    for (t.first(); !t.eof(); t.next()) records.push_back(t.bookmark().record);
    for (size_t k = 0; k < records.size(); ++k) {
      window.setProgress(static_cast<int>(k + 1));
      try {
        t.gotoBookmark({records[k]});
      } catch (const tdb::EngineError&) {
        continue;  // another holder deleted it meanwhile
      }
      t.edit();
      try {
        t.field(index).setAsString(value);
      } catch (const tdb::EngineError&) {
        t.cancel();
        dialogs().message(QStringLiteral("字段[") + field + QStringLiteral("]替换发生错误!"));
        return;
      }
      try {
        t.post();
      } catch (const tdb::EngineError& e) {
        // The record cannot be stored (a key it would repeat): it keeps its old value.
        t.cancel();
        showError(e);
        return;
      }
      // Where records are kept in key order, a new key moved the record, and the records
      // between its old and its new place moved by one.
      const uint32_t from = records[k], to = t.bookmark().record;
      if (to == from) continue;
      for (size_t i = k + 1; i < records.size(); ++i) {
        uint32_t& r = records[i];
        if (r > from) --r;
        if (r >= to) ++r;
      }
    }
  });
  close();
}

}  // namespace torvanel
