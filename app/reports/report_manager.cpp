#include "app/reports/report_manager.h"

namespace torvanel {

Tform2::Tform2(QWidget* mainWindow) : QDialog(mainWindow) {
  setObjectName(QStringLiteral("Tform2"));
  setWindowTitle(QStringLiteral("报表管理"));
  setModal(true);
}

}  // namespace torvanel
