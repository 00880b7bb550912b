#include "tests/support/private_cups.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QCollator>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

namespace torvanel::test {

namespace {

// Where the system keeps the scheduler's helpers and filters.
const QString kCupsPrograms = QStringLiteral("/usr/lib/cups");

// The folder of this process's scheduler socket, alive as long as the process.
QString socketFolder() {
  static QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/tvcups-XXXXXX"));
  return folder.path();
}

QString socketPath() { return socketFolder() + QStringLiteral("/cups.sock"); }

// A queue's device: every job, as the filters hand it over, becomes FOLDER/job-ID.pdf, written
// under another name and renamed once whole, so that a file seen is a file complete.
const char kKeepBackend[] = R"(#!/bin/sh
[ $# -eq 0 ] && exit 0
folder=${DEVICE_URI#keep:}
if [ -n "$6" ]; then cat "$6"; else cat; fi > "$folder/.job-$1" || exit 1
mv "$folder/.job-$1" "$folder/job-$1.pdf"
)";

// A printer that takes PDF as it is: the print service's PDF filter applies copies, page size and
// orientation and hands on a PDF.
const char kPdfPrinter[] = R"ppd(*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "TVPDF.PPD"
*Manufacturer: "Torvanel"
*Product: "(PDF jobs)"
*ModelName: "Torvanel PDF jobs"
*ShortNickName: "Torvanel PDF jobs"
*NickName: "Torvanel PDF jobs"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: True
*DefaultColorSpace: RGB
*FileSystem: False
*Throughput: "1"
*LandscapeOrientation: Plus90
*TTRasterizer: Type42
*cupsVersion: 2.4
*cupsFilter2: "application/vnd.cups-pdf application/pdf 0 -"
*OpenUI *PageSize/Media Size: PickOne
*OrderDependency: 10 AnySetup *PageSize
*DefaultPageSize: A4
*PageSize A4/A4: "<</PageSize[595 842]>>setpagedevice"
*CloseUI: *PageSize
*OpenUI *PageRegion: PickOne
*OrderDependency: 10 AnySetup *PageRegion
*DefaultPageRegion: A4
*PageRegion A4/A4: "<</PageSize[595 842]>>setpagedevice"
*CloseUI: *PageRegion
*DefaultImageableArea: A4
*ImageableArea A4/A4: "0 0 595 842"
*DefaultPaperDimension: A4
*PaperDimension A4/A4: "595 842"
*VariablePaperSize: True
*MaxMediaWidth: "14400"
*MaxMediaHeight: "14400"
*HWMargins: 0 0 0 0
*CustomPageSize True: "pop pop pop <</PageSize[5 -2 roll]/ImagingBBox null>>setpagedevice"
*ParamCustomPageSize Width: 1 points 36 14400
*ParamCustomPageSize Height: 2 points 36 14400
*ParamCustomPageSize WidthOffset: 3 points 0 0
*ParamCustomPageSize HeightOffset: 4 points 0 0
*ParamCustomPageSize Orientation: 5 int 0 0
)ppd";

bool write(const QString& path, const QByteArray& text, QFile::Permissions permissions) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(text) == text.size() &&
         file.setPermissions(permissions);
}

const QFile::Permissions kReadable =
    QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
const QFile::Permissions kProgram = kReadable | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
const QFile::Permissions kOpenFolder = kProgram | QFile::WriteGroup | QFile::WriteOther;

// Runs a client of the print service; its standard output, or nullopt when it fails.
std::optional<QString> client(const QString& program, const QStringList& arguments,
                              QString* error = nullptr) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(20000) || process.exitStatus() != QProcess::NormalExit ||
      process.exitCode() != 0) {
    if (error) *error = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
    return std::nullopt;
  }
  return QString::fromLocal8Bit(process.readAllStandardOutput());
}

}  // namespace

void PrivateCups::prepare() { qputenv("CUPS_SERVER", QFile::encodeName(socketPath())); }

PrivateCups::PrivateCups() : dir_(QDir::tempPath() + QStringLiteral("/tvcups-run-XXXXXX")) {
  running_ = start();
}

PrivateCups::~PrivateCups() {
  if (!cupsd_) return;
  cupsd_->terminate();
  if (!cupsd_->waitForFinished(10000)) {
    cupsd_->kill();
    cupsd_->waitForFinished(5000);
  }
  QFile::remove(socketPath());
}

bool PrivateCups::start() {
  const QString cupsd = QStandardPaths::findExecutable(
      QStringLiteral("cupsd"), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
  if (cupsd.isEmpty() || !QFile::exists(kCupsPrograms + QStringLiteral("/daemon/cups-exec"))) {
    reason_ = QStringLiteral(
        "the print scheduler (cupsd) is not installed: scripts/install-deps.sh "
        "installs cups");
    return false;
  }
  if (socketFolder().isEmpty() || !dir_.isValid()) {
    reason_ = QStringLiteral("no temporary folder for the print scheduler");
    return false;
  }
  const QString root = dir_.path();
  const bool asRoot = ::geteuid() == 0;
  QDir folder(root);
  for (const char* sub : {"conf", "spool", "cache", "state", "log", "out", "bin/backend"})
    folder.mkpath(QString::fromLatin1(sub));
  // Run as root, the scheduler hands jobs to its filters as the user lp, who must reach the
  // printer description and the queues' folders.
  QFile::setPermissions(root, kProgram);
  QFile::setPermissions(root + QStringLiteral("/out"), kOpenFolder);
  QFile::link(kCupsPrograms + QStringLiteral("/daemon"), root + QStringLiteral("/bin/daemon"));
  QFile::link(kCupsPrograms + QStringLiteral("/filter"), root + QStringLiteral("/bin/filter"));

  const QString conf = root + QStringLiteral("/conf/cupsd.conf");
  const QString files = root + QStringLiteral("/conf/cups-files.conf");
  // Anyone may add queues and print: the socket lies in this test's own folder.
  const QByteArray cupsdConf = "Listen " + QFile::encodeName(socketPath()) +
                               "\nLogLevel warn\nDefaultPolicy open\n"
                               "<Policy open>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n"
                               "</Policy>\n"
                               "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n";
  QByteArray filesConf;
  if (asRoot) filesConf += "User lp\nGroup lp\nSystemGroup root\n";
  const QByteArray r = QFile::encodeName(root);
  filesConf += "ServerRoot " + r + "/conf\nServerBin " + r + "/bin\nRequestRoot " + r +
               "/spool\nCacheDir " + r + "/cache\nStateDir " + r + "/state\nErrorLog " + r +
               "/log/error_log\nAccessLog " + r + "/log/access_log\nPageLog " + r +
               "/log/page_log\n";
  if (!write(conf, cupsdConf, kReadable) || !write(files, filesConf, kReadable) ||
      !write(root + QStringLiteral("/bin/backend/keep"), kKeepBackend, kProgram) ||
      !write(root + QStringLiteral("/pdf.ppd"), kPdfPrinter, kReadable)) {
    reason_ = QStringLiteral("cannot write the print scheduler's files in ") + root;
    return false;
  }

  QFile::remove(socketPath());
  cupsd_ = std::make_unique<QProcess>();
  cupsd_->setProcessChannelMode(QProcess::MergedChannels);
  cupsd_->start(cupsd,
                {QStringLiteral("-f"), QStringLiteral("-c"), conf, QStringLiteral("-s"), files});
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < 15000) {
    if (cupsd_->state() == QProcess::NotRunning) break;
    if (QFile::exists(socketPath()) && client(QStringLiteral("lpstat"), {QStringLiteral("-r")})
                                           .value_or(QString())
                                           .contains(QStringLiteral("scheduler is running")))
      return true;
    QThread::msleep(50);
  }
  QFile log(root + QStringLiteral("/log/error_log"));
  log.open(QIODevice::ReadOnly);
  reason_ = QStringLiteral("the print scheduler did not start: ") +
            QString::fromLocal8Bit(cupsd_->readAll() + log.readAll()).trimmed();
  return false;
}

QString PrivateCups::outputFolder(const QString& queue) const {
  return dir_.path() + QStringLiteral("/out/") + queue;
}

bool PrivateCups::addQueue(const QString& name, bool isDefault, bool accepting) {
  const QString out = outputFolder(name);
  QDir().mkpath(out);
  QFile::setPermissions(out, kOpenFolder);
  QString error;
  QStringList add = {QStringLiteral("-p"), name,
                     QStringLiteral("-v"), QStringLiteral("keep:") + out,
                     QStringLiteral("-P"), dir_.path() + QStringLiteral("/pdf.ppd")};
  if (accepting) add << QStringLiteral("-E");  // enabled and accepting jobs
  if (!client(QStringLiteral("lpadmin"), add, &error) ||
      (isDefault && !client(QStringLiteral("lpadmin"), {QStringLiteral("-d"), name}, &error))) {
    ADD_FAILURE() << "the print scheduler refused the queue " << name.toStdString() << ": "
                  << error.toStdString();
    return false;
  }
  return true;
}

QStringList PrivateCups::jobFiles(const QString& name) const {
  QStringList files =
      QDir(outputFolder(name)).entryList({QStringLiteral("job-*.pdf")}, QDir::Files);
  QCollator byNumber;
  byNumber.setNumericMode(true);
  std::sort(files.begin(), files.end(), byNumber);
  for (QString& file : files) file = outputFolder(name) + QLatin1Char('/') + file;
  return files;
}

QStringList PrivateCups::waitForJobs(const QString& name, int count, int seconds) const {
  QElapsedTimer clock;
  clock.start();
  QStringList files;
  do {
    files = jobFiles(name);
    if (files.size() >= count && client(QStringLiteral("lpstat"), {QStringLiteral("-o")})
                                     .value_or(QStringLiteral("?"))
                                     .trimmed()
                                     .isEmpty())
      return files;
    QThread::msleep(100);
  } while (clock.elapsed() < seconds * 1000);
  return files;
}

QStringList PrivateCups::pageLog() const {
  QFile log(dir_.path() + QStringLiteral("/log/page_log"));
  if (!log.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

}  // namespace torvanel::test
