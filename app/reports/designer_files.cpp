// The report manager's template files: the list "报表摸板", loading, 新建, 打开, 保存, 另存 and
// 删除.

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>

#include "app/common/file_error.h"
#include "app/common/gbk_codec.h"
#include "app/reports/report_manager.h"
#include "app/reports/report_run.h"
#include "app/reports/template_file.h"
#include "app/ui/dialogs.h"
#include "app/windows/table_window.h"
#include "engine/table.h"

namespace torvanel {

namespace {

// The name the designer loads when no template is chosen: it has no file, so it gives the
// defaults.
const QString kNoTemplate = QStringLiteral("没有摸板");
const QString kFilter = QStringLiteral("摸板文件 (*.ts?)");

// What the user calls each section, for a refusal that names it.
const char* const kSectionNames[kSectionCount] = {"主标题", "副标题", "页眉",    "页脚",
                                                  "表头",   "表尾",   "头部设计"};

// The first character of `text` that GBK cannot hold, or empty.
QString unsavable(const QString& text) {
  if (fitsGbk(text.toStdString())) return {};
  for (int i = 0; i < text.size(); ++i) {
    const int length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    const QString c = text.mid(i, length);
    if (!fitsGbk(c.toStdString())) return c;
    i += length - 1;
  }
  return {};
}

// The refusal for a template holding text that GBK cannot hold (it would be written as '?'),
// naming the section or grid column; empty when every text can be saved.
QString unsavableText(const ReportTemplate& t) {
  const auto refusal = [](const QString& where, const QString& c) {
    return where + QStringLiteral("中有不能保存的字符“") + c + QStringLiteral("”,摸板没有保存!");
  };
  for (int s = 0; s < kSectionCount; ++s) {
    const TextSection& section = t.sections[s];
    const QString c = unsavable(section.text + section.lines.join(QString()) + section.fontName);
    if (!c.isEmpty()) return refusal(QString::fromUtf8(kSectionNames[s]), c);
  }
  for (size_t col = 1; col < t.grid.columns.size(); ++col) {
    QString cells;
    for (const QString& cell : t.grid.columns[col]) cells += cell;
    const QString c = unsavable(cells);
    if (!c.isEmpty()) return refusal(QStringLiteral("表体设计第%1列").arg(col), c);
  }
  return {};
}

}  // namespace

void Tform2::showName(const QString& text, bool add) {
  boxQuiet_ = true;
  if (add && box_->findText(text, Qt::MatchExactly) < 0) box_->addItem(text);
  const int entry = box_->findText(text, Qt::MatchExactly);
  if (entry >= 0) box_->setCurrentIndex(entry);
  box_->setEditText(text);
  boxQuiet_ = false;
}

void Tform2::load(const QString& name) {
  const bool none = name.isEmpty() || name == kNoTemplate;
  const QString path = templatePath(programFolder_, none ? kNoTemplate : name);
  const bool exists = !none && QFileInfo(path).isFile();
  ReportTemplate loaded;
  try {
    loaded = exists ? readTemplateFile(path) : defaultTemplate();
  } catch (const FileError& e) {
    showError(e);
    showName(loadedName_, false);  // the template shown stays, and so does its name
    return;
  }
  reconcileWithTable(loaded, window_->table());
  clampToRanges(loaded);
  t_ = std::move(loaded);
  loadedName_ = none ? QString() : name;
  modified_ = !exists;
  edited_ = false;
  setGroupRange(kOpenRange, kOpenRange);
  showTemplate();
}

void Tform2::boxEdited(const QString& text) {
  if (boxQuiet_ || !window_) return;
  if (!keepChanges()) {
    showName(loadedName_, false);  // the template stays, and so does its name
    return;
  }
  const QString path = templatePath(programFolder_, text);
  if (!text.isEmpty() && QFileInfo(path).isFile() &&
      QFileInfo(text).fileName().contains(QStringLiteral(".ts")) &&
      box_->findText(text, Qt::MatchExactly) < 0) {
    boxQuiet_ = true;
    const int caret = box_->lineEdit() ? box_->lineEdit()->cursorPosition() : 0;
    box_->addItem(text);
    box_->setCurrentIndex(box_->count() - 1);
    if (box_->lineEdit()) box_->lineEdit()->setCursorPosition(caret);
    boxQuiet_ = false;
  }
  load(text);
}

bool Tform2::keepChanges() {
  if (!edited_) return true;
  if (dialogs().confirm(QStringLiteral("保存设置吗？"), false) != Answer::Yes) return true;
  return saveUnder(loadedName_, false);
}

void Tform2::newTemplate() {
  if (!keepChanges()) return;
  const QString base = tableBaseName(window_->tableName());
  for (int d = 0; d <= 9; ++d) {
    const QString name = base + QStringLiteral(".ts") + QString::number(d);
    if (box_->findText(name, Qt::MatchExactly) >= 0) continue;
    showName(name, true);
    break;
  }
  const QString shown = box_->currentText();
  load(kNoTemplate);
  loadedName_ = shown;  // saving goes to the name shown
}

void Tform2::openTemplate() {
  const auto chosen = dialogs().openFile(QStringLiteral("打开摸板"), kFilter, programFolder_);
  if (!chosen || !keepChanges()) return;
  showName(*chosen, true);
  load(*chosen);
}

bool Tform2::saveTemplate() { return saveUnder(box_->currentText(), true); }

bool Tform2::saveUnder(QString name, bool show) {
  const bool listed = !name.isEmpty() && box_->findText(name, Qt::MatchExactly) >= 0;
  if (!listed) {
    name = tableBaseName(window_->tableName()) + QStringLiteral(".ts0");
    // Another template of that name would be lost without a word.
    if (name != loadedName_ && QFileInfo(templatePath(programFolder_, name)).exists() &&
        dialogs().confirm(name + QStringLiteral("文件已存在，覆盖吗？"), false) != Answer::Yes)
      return false;
  }
  if (!writeTemplate(name)) return false;
  if (!listed) {
    if (show) {
      showName(name, true);
    } else if (box_->findText(name, Qt::MatchExactly) < 0) {
      boxQuiet_ = true;
      box_->addItem(name);
      boxQuiet_ = false;
    }
  }
  loadedName_ = name;
  modified_ = false;
  edited_ = false;
  return true;
}

void Tform2::saveTemplateAs() {
  const auto chosen = dialogs().saveFile(QStringLiteral("摸板另存为"), kFilter, programFolder_);
  if (!chosen) return;
  if (QFileInfo(*chosen).exists() &&
      dialogs().confirm(*chosen + QStringLiteral("文件已存在，覆盖吗？"), false) != Answer::Yes)
    return;
  writeTemplate(*chosen);
}

bool Tform2::writeTemplate(const QString& name) {
  const QString refusal = unsavableText(t_);
  if (!refusal.isEmpty()) {
    dialogs().message(refusal);
    return false;
  }
  try {
    writeTemplateFile(templatePath(programFolder_, name), t_);
  } catch (const FileError& e) {
    showError(e);
    return false;
  }
  return true;
}

void Tform2::deleteTemplate() {
  const QString name = box_->currentText();
  const int entry = name.isEmpty() ? -1 : box_->findText(name, Qt::MatchExactly);
  // Deleting the template in hand drops its changes with it; one that is not in the list (a name
  // typed) would be replaced by the first entry unasked.
  const bool deletingShown = entry >= 0 && name == loadedName_;
  if (!deletingShown && !keepChanges()) return;
  if (entry >= 0) {
    QFile file(templatePath(programFolder_, name));
    if (file.exists() && !file.remove()) {
      dialogs().message(QStringLiteral("不能删除摸板文件") + file.fileName() +
                        QStringLiteral(": ") + file.errorString());
      return;
    }
    boxQuiet_ = true;
    box_->removeItem(entry);
    boxQuiet_ = false;
  }
  const QString first = box_->count() > 0 ? box_->itemText(0) : QString();
  showName(first, false);
  load(first);
}

QString Tform2::logoFile() const {
  return logoPath(programFolder_, loadedName_, window_->tableName());
}

}  // namespace torvanel
