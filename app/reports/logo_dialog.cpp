#include "app/reports/logo_dialog.h"

namespace torvanel {

TForm6::TForm6(QWidget* parent) : QDialog(parent) {}

bool TForm6::editLogo(ReportTemplate&, const QString&) { return exec() == QDialog::Accepted; }

}  // namespace torvanel
