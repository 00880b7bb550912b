#pragma once

#include <QDialog>
#include <span>

namespace torvanel {

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

// The table chooser: every table that enters the system by the user's choice passes through it.
// It stays on top of the main window and is shown without blocking it. Created once, hidden,
// 536 by 306 pixels centred on the screen, then collapsed to a height of 146.
class TForm01 : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kWidth = 536;
  static constexpr int kFullHeight = 306;
  static constexpr int kCollapsedHeight = 146;

  explicit TForm01(QWidget* mainWindow);

  // Shows the chooser for the operation of `code`, without waiting.
  void chooseFor(const char* code);

  // The current mode character ('n' until a mode is chosen).
  char mode() const { return mode_; }

 private:
  char mode_ = 'n';
};

}  // namespace torvanel
