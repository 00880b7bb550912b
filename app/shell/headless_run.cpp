#include "app/shell/headless_run.h"

#include <QFile>
#include <cstdio>
#include <string>

#include "app/common/file_error.h"
#include "app/common/program_folder.h"
#include "app/shell/settings.h"
#include "engine/engine_error.h"
#include "engine/session.h"

namespace torvanel {

namespace {

void dropQtNotes(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type == QtCriticalMsg || type == QtFatalMsg) sayOnStderr(text);
}

}  // namespace

void sayOnStderr(const QString& message) {
  const QByteArray text =
      (QStringLiteral("torvanel: ") + message + QLatin1Char('\n')).toLocal8Bit();
  std::fwrite(text.constData(), 1, text.size(), stderr);
}

void keepQtNotesOffStderr() { qInstallMessageHandler(dropQtNotes); }

QString startProgramFolder(GlobalSettings& settings) {
  std::string failure;
  const QString folder =
      QFile::decodeName(prepareProgramFolder(executableFolder(), failure).native().c_str()) +
      QLatin1Char('/');
  if (!failure.empty())
    sayOnStderr(
        QStringLiteral("程序文件夹%1无法准备: %2").arg(folder, QString::fromStdString(failure)));
  try {
    tdb::Session::setAliasFile(QFile::encodeName(folder).toStdString() + tdb::AliasFile::kFileName);
  } catch (const tdb::EngineError& e) {
    sayOnStderr(QString::fromUtf8(e.what()));
  }
  try {
    settings_file::read(folder, settings);
  } catch (const FileError& e) {
    sayOnStderr(e.text());
  }
  return folder;
}

}  // namespace torvanel
