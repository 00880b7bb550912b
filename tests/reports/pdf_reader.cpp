#include "tests/reports/pdf_reader.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>

namespace torvanel::test {

namespace {

QString run(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
      process.exitCode() != 0) {
    ADD_FAILURE() << program.toStdString() << " failed on " << arguments.join(' ').toStdString()
                  << ": " << process.readAllStandardError().toStdString();
    return {};
  }
  return QString::fromUtf8(process.readAllStandardOutput());
}

}  // namespace

PdfFacts readPdf(const QString& path) {
  PdfFacts facts;
  const QString info =
      run(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("1"),
                                      QStringLiteral("-l"), QStringLiteral("100000"), path});
  static const QRegularExpression size(
      QStringLiteral(R"(^Page\s+\d+ size:\s+([\d.]+) x ([\d.]+) pts)"),
      QRegularExpression::MultilineOption);
  for (auto match = size.globalMatch(info); match.hasNext();) {
    const auto m = match.next();
    facts.pageSizes.emplace_back(m.captured(1).toDouble(), m.captured(2).toDouble());
  }
  // Qt's PDF output names a glyph that a radical shares with an ideograph by the radical's code
  // (乙 reads back as the Kangxi radical ⼄); the compatibility form folds those back.
  facts.text =
      run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QStringLiteral("-enc"),
                                        QStringLiteral("UTF-8"), path, QStringLiteral("-")})
          .normalized(QString::NormalizationForm_KC);
  return facts;
}

QString pageText(const PdfFacts& facts, int page) {
  return facts.text.section(QLatin1Char('\f'), page - 1, page - 1);
}

}  // namespace torvanel::test
