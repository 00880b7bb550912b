#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <memory>
#include <span>

#include "app/common/table_ref.h"
#include "engine/table.h"

class QComboBox;
class QGroupBox;
class QPushButton;
class QTableView;

namespace torvanel {

class TableModel;
class TableSource;

// The operation the table chooser serves: the caller's two-letter code, the one-character mode it
// becomes and the chooser's caption in that mode.
struct ChooserModeInfo {
  const char* code;
  char mode;
  const char* caption;  // UTF-8
};

// The nine modes in the order they are tested: dk, xj, zk, fk, hz, fz, zj, ar, sx.
std::span<const ChooserModeInfo> chooserModes();

// The mode of a two-letter code, or nullptr for any other text.
const ChooserModeInfo* chooserModeFor(const QString& code);

// True for the modes whose table may not exist yet (y, h, c, s).
bool isOutputMode(char mode);

// The table chooser: every table that enters the system by the user's choice passes through it.
// It stays on top of the main window and is shown without blocking it. Created once, hidden,
// 536 by 306 pixels centred on the screen, then collapsed to a height of 146; it grows back to
// 306 while its preview grid shows a table.
//
// When it closes with a choice it runs the action of its mode, set by whoever handles that
// operation; a mode without an action does nothing. Mode 'y' (a new table) first refuses a table
// that exists.
class TForm01 : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kWidth = 536;
  static constexpr int kFullHeight = 306;
  static constexpr int kCollapsedHeight = 146;
  // The database list's first entry: a table file anywhere on disk.
  static const QString kFileTables;

  explicit TForm01(QWidget* mainWindow);
  ~TForm01() override;

  // Shows the chooser for the operation of `code`, without waiting.
  void chooseFor(const char* code);

  // The current mode character ('n' until a mode is chosen).
  char mode() const { return mode_; }
  // The choice so far (or as the chooser closed).
  const TableRef& chosen() const { return chosen_; }

  using Action = std::function<void(const TableRef&)>;
  void setAction(char mode, Action action);
  // The type .DBF tables are previewed as (the main window's default).
  void setDbfType(std::function<tdb::TableType()> type) { dbfType_ = std::move(type); }

  // The parts tests and the main window reach.
  QComboBox* databaseList() const { return databases_; }
  QComboBox* tableList() const { return tables_; }
  QGroupBox* tableGroup() const { return tableGroup_; }
  QTableView* previewGrid() const { return grid_; }
  QPushButton* chooseButton() const { return chooseButton_; }
  QPushButton* confirmButton() const { return confirmButton_; }
  QPushButton* cancelButton() const { return cancelButton_; }

  // "选择数据表", "确认", "取消", as the buttons do them.
  void chooseDatabase();
  void confirm();
  void cancel();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void done(int result) override;

 private:
  void activate();
  void fillDatabases();
  void chooseFile();
  void preview(const QString& database, const QString& table);
  void closePreview();
  void collapse();
  void runAction();

  char mode_ = 'n';
  TableRef chosen_;
  bool confirmed_ = false;
  std::array<Action, 128> actions_{};
  std::function<tdb::TableType()> dbfType_;

  QComboBox* databases_ = nullptr;
  QPushButton* chooseButton_ = nullptr;
  QGroupBox* tableGroup_ = nullptr;
  QComboBox* tables_ = nullptr;
  QPushButton* confirmButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  QTableView* grid_ = nullptr;

  tdb::Table previewTable_;
  std::unique_ptr<TableSource> previewSource_;
  TableModel* previewModel_ = nullptr;
};

}  // namespace torvanel
