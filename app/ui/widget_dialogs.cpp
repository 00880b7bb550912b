#include "app/ui/widget_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace torvanel {

namespace {

QWidget* owner() { return QApplication::activeWindow(); }

std::optional<QString> chosen(const QString& path) {
  if (path.isEmpty()) return std::nullopt;
  return path;
}

}  // namespace

void WidgetDialogs::message(const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("提示"), text, QMessageBox::NoButton,
                  owner());
  box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
  box.exec();
}

Answer WidgetDialogs::confirm(const QString& text, bool withCancel) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("确认"), text, QMessageBox::NoButton,
                  owner());
  QPushButton* yes = box.addButton(QStringLiteral("是[&Y]"), QMessageBox::YesRole);
  QPushButton* no = box.addButton(QStringLiteral("否[&N]"), QMessageBox::NoRole);
  QPushButton* cancel =
      withCancel ? box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole) : nullptr;
  box.setDefaultButton(yes);
  box.setEscapeButton(cancel ? static_cast<QAbstractButton*>(cancel) : no);
  box.exec();
  if (box.clickedButton() == yes) return Answer::Yes;
  if (box.clickedButton() == no || !cancel) return Answer::No;
  return Answer::Cancel;
}

QString WidgetDialogs::inputBox(const QString& title, const QString& prompt, const QString& text) {
  return inputQuery(title, prompt, text).value_or(text);
}

std::optional<QString> WidgetDialogs::inputQuery(const QString& title, const QString& prompt,
                                                 const QString& text) {
  QInputDialog box(owner());
  box.setWindowTitle(title);
  box.setLabelText(prompt);
  box.setTextValue(text);
  box.setOkButtonText(QStringLiteral("确定"));
  box.setCancelButtonText(QStringLiteral("取消"));
  if (box.exec() != QDialog::Accepted) return std::nullopt;
  return box.textValue();
}

// A file dialog of the toolkit's own, so that the cursor's moves can be heard.
std::optional<QString> WidgetDialogs::askFile(bool save, const QString& title,
                                              const QString& filter, const QString& folder,
                                              const FileCursor& onCurrent) {
  QFileDialog box(owner(), title, folder, filter);
  box.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  box.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  // Whoever asks for a file to write asks about replacing it, in the system's own words.
  box.setOption(QFileDialog::DontConfirmOverwrite);
  if (onCurrent) QObject::connect(&box, &QFileDialog::currentChanged, onCurrent);
  if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty()) return std::nullopt;
  return chosen(box.selectedFiles().front());
}

std::optional<QString> WidgetDialogs::openFile(const QString& title, const QString& filter,
                                               const QString& folder, const FileCursor& onCurrent) {
  return askFile(false, title, filter, folder, onCurrent);
}

std::optional<QString> WidgetDialogs::saveFile(const QString& title, const QString& filter,
                                               const QString& folder, const FileCursor& onCurrent) {
  return askFile(true, title, filter, folder, onCurrent);
}

}  // namespace torvanel
