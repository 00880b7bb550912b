#include "app/reports/head_tail_editor.h"

namespace torvanel {

TForm3::TForm3(QWidget* parent) : QDialog(parent) {}

bool TForm3::editSection(ReportTemplate&, Section, const QStringList&) {
  return exec() == QDialog::Accepted;
}

}  // namespace torvanel
