#include "app/tools/query_builder.h"

namespace torvanel {

TForm02::TForm02(QWidget* mainWindow) : QDialog(mainWindow) {
  setObjectName(QStringLiteral("TForm02"));
  setWindowTitle(QStringLiteral("查询"));
  setModal(true);
}

}  // namespace torvanel
