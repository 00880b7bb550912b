#include "app/projects/project_designer.h"

namespace torvanel {

TForm04::TForm04(QWidget* mainWindow) : QDialog(mainWindow) {
  setObjectName(QStringLiteral("TForm04"));
  setWindowTitle(QStringLiteral("新增项目设置"));
}

}  // namespace torvanel
