#include "app/tools/table_transfers.h"

#include <QFileInfo>

#include "app/common/table_names.h"
#include "app/tools/output_target.h"
#include "app/ui/dialogs.h"
#include "app/windows/table_window.h"
#include "app/windows/window_engine.h"
#include "engine/drivers.h"
#include "engine/engine_error.h"

namespace torvanel {

namespace {

QString reason(const std::exception& e) { return QString::fromUtf8(e.what()); }

// Shows `text` with the engine's reason as its second line.
void refuse(const QString& text, const std::exception& e) {
  dialogs().message(text + QLatin1Char('\r') + reason(e));
}

// After a copy that failed part-way the window goes back to its first record, as after a
// summary, rather than staying on whichever record the copy stopped at.
void backToFirst(tdb::Table& source) {
  try {
    source.first();
  } catch (const tdb::EngineError&) {
    // The failure already reported is the one that matters.
  }
}

// The window's progress panel, up while a move of `records` runs. Its step moves the bar once in
// 1024 records: every move repaints it.
class MoveProgress {
 public:
  MoveProgress(TForm11& window, long records) : window_(window) {
    window.showProgress(static_cast<int>(records));
  }
  ~MoveProgress() { window_.hideProgress(); }
  std::function<void(long)> step() {
    return [this](long k) {
      if ((k & 1023) == 0) window_.setProgress(static_cast<int>(k));
    };
  }

 private:
  TForm11& window_;
};

bool overwriteAllowed(tdb::Table& target) {
  return !target.exists() ||
         dialogs().confirm(QStringLiteral("复制文件已经存在,要覆盖吗?"), false) == Answer::Yes;
}

// Whether the format of `target` takes the structure it was given: asked of the trial name
// "lssjkb" with the chosen extension in the chosen database, which is checked, never written, so
// a user's table of that name stays as it is.
std::string trialProblem(const TableRef& ref, tdb::Table& target) {
  const QString suffix = QFileInfo(ref.table).suffix();
  const QString name = QStringLiteral("lssjkb") + (suffix.isEmpty() ? QString() : u'.' + suffix);
  tdb::Table trial;
  pointAt(trial, {ref.database, name}, target.tableType());
  return tdb::drivers::structureProblem(trial.path(), target.tableType(), target.fieldDefs(),
                                        target.indexDefs());
}

}  // namespace

TableTransfers::TableTransfers(WindowEngine& engine, std::function<tdb::TableType()> dbfType)
    : engine_(engine), dbfType_(std::move(dbfType)) {}

bool TableTransfers::ready(Kind kind) const {
  const int slot = engine_.activeSlot();
  if (slot < 0) return false;
  if (kind != Kind::AppendOutput && kind != Kind::Ordered) return true;
  try {
    if (!engine_.registry()[slot].window->table().isEmpty()) return true;
  } catch (const tdb::EngineError& e) {
    showError(e);
    return false;
  }
  dialogs().message(kind == Kind::AppendOutput ? QStringLiteral("数据表没有记录,不能追加输出!")
                                               : QStringLiteral("数据表没有记录,不能输出!"));
  return false;
}

void TableTransfers::copyOutput(const TableRef& ref) { newTable(ref, true); }

void TableTransfers::orderedOutput(const TableRef& ref) { newTable(ref, false); }

void TableTransfers::newTable(const TableRef& ref, bool withIndexes) {
  const int slot = engine_.activeSlot();
  const QString verb = withIndexes ? QStringLiteral("复制") : QStringLiteral("输出");
  if (slot < 0 || refuseOpenOutput(engine_.registry(), ref, verb)) return;
  TForm11& window = *engine_.registry()[slot].window;
  tdb::Table& source = window.table();
  tdb::Table target;
  try {
    pointAt(target, ref, outputType(ref.table, dbfType_()));
    if (withIndexes) {
      target.fieldDefs() = source.fieldDefs();
      target.indexDefs() = source.indexDefs();
      if (const std::string problem = trialProblem(ref, target); !problem.empty()) {
        dialogs().message(QStringLiteral("字段类型或索引不适合要复制的数据库表类型!\r") +
                          QString::fromUtf8(problem));
        return;
      }
    }
    if (!overwriteAllowed(target)) return;
    MoveProgress progress(window, source.recordCount());
    target.batchMove(source, withIndexes ? tdb::BatchMode::batCopyIndexed : tdb::BatchMode::batCopy,
                     nullptr, progress.step());
  } catch (const tdb::EngineError& e) {
    backToFirst(source);
    refuse(withIndexes ? QStringLiteral("不能输出这种类型数据表,请重新选择!")
                       : QStringLiteral("不能输出这种类型数据表!"),
           e);
  }
}

void TableTransfers::appendOutput(const TableRef& ref) { append(ref, false); }

void TableTransfers::appendInput(const TableRef& ref) { append(ref, true); }

void TableTransfers::append(const TableRef& ref, bool input) {
  const int slot = engine_.activeSlot();
  if (slot < 0) return;
  TForm11& form = *engine_.registry()[slot].window;
  tdb::Table& window = form.table();
  tdb::Table other;
  try {
    pointAt(other, ref, tdb::TableType::ttDefault);
    if (input) {
      other.open();
      MoveProgress progress(form, other.recordCount());
      window.batchMove(other, tdb::BatchMode::batAppend, nullptr, progress.step());
    } else {
      MoveProgress progress(form, window.recordCount());
      other.batchMove(window, tdb::BatchMode::batAppend, nullptr, progress.step());
    }
  } catch (const tdb::EngineError& e) {
    // The engine's message names how many records went in before the failure.
    if (input)
      refuse(QStringLiteral("不能追加输入,请检查索引或字段类型!"), e);
    else
      showError(e);
  }
}

}  // namespace torvanel
