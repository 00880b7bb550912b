#include "app/tools/structure_designer.h"

namespace torvanel {

TForm03::TForm03(QWidget* mainWindow) : QDialog(mainWindow) {
  setObjectName(QStringLiteral("TForm03"));
  setWindowTitle(QStringLiteral("表结构"));
}

}  // namespace torvanel
