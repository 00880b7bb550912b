#include "app/shell/report_arguments.h"

#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <map>

namespace torvanel {

namespace {

QString decoded(const std::string& bytes) {
  return QFile::decodeName(QByteArray::fromStdString(bytes));
}

// "FROM,TO", both page numbers from 1 and FROM not beyond TO.
void readRange(const QString& text, ReportArguments& into) {
  static const QRegularExpression form(QStringLiteral(R"(^\s*(\d{1,9})\s*,\s*(\d{1,9})\s*$)"));
  const QRegularExpressionMatch m = form.match(text);
  const int from = m.hasMatch() ? m.captured(1).toInt() : 0;
  const int to = m.hasMatch() ? m.captured(2).toInt() : 0;
  if (from < 1 || to < from)
    throw ReportArgumentError(
        QStringLiteral("页码范围[%1]不对: 应为 起始页,终止页, 从1起, 起始页不大于终止页")
            .arg(text));
  into.ranged = true;
  into.from = from;
  into.to = to;
}

}  // namespace

QString reportUsage() {
  return QStringLiteral(
      "用法: torvanel --report 数据表 --template 模板文件 [--range 起始页,终止页] "
      "[--pdf 输出.pdf] [--png 图片文件夹]");
}

bool asksForReport(const std::vector<std::string>& arguments) {
  for (const std::string& a : arguments)
    if (a == "--report" || a.rfind("--report=", 0) == 0) return true;
  return false;
}

ReportArguments parseReportArguments(const std::vector<std::string>& arguments) {
  static const char* const kOptions[] = {"--report", "--template", "--range", "--pdf", "--png"};
  std::map<std::string, std::string> values;
  for (size_t i = 0; i < arguments.size(); ++i) {
    std::string option = arguments[i];
    std::string value;
    bool hasValue = false;
    if (const size_t equals = option.find('=');
        option.rfind("--", 0) == 0 && equals != std::string::npos) {
      value = option.substr(equals + 1);
      option.resize(equals);
      hasValue = true;
    }
    if (std::find(std::begin(kOptions), std::end(kOptions), option) == std::end(kOptions))
      throw ReportArgumentError(
          QStringLiteral("不认识的参数: %1\n%2").arg(decoded(arguments[i]), reportUsage()));
    if (values.count(option))
      throw ReportArgumentError(QStringLiteral("参数%1重复").arg(decoded(option)));
    if (!hasValue) {
      if (i + 1 == arguments.size())
        throw ReportArgumentError(
            QStringLiteral("参数%1缺少值\n%2").arg(decoded(option), reportUsage()));
      value = arguments[++i];
    }
    values[option] = value;
  }

  ReportArguments parsed;
  parsed.table = values["--report"];
  parsed.templateFile = decoded(values["--template"]);
  parsed.pdf = decoded(values["--pdf"]);
  parsed.pngFolder = decoded(values["--png"]);
  if (parsed.table.empty())
    throw ReportArgumentError(QStringLiteral("没有指定数据表\n") + reportUsage());
  if (parsed.templateFile.isEmpty())
    throw ReportArgumentError(QStringLiteral("没有指定报表模板文件(--template)\n") + reportUsage());
  if (parsed.pdf.isEmpty() && parsed.pngFolder.isEmpty())
    throw ReportArgumentError(QStringLiteral("没有指定输出(--pdf 或 --png)\n") + reportUsage());
  if (values.count("--range")) readRange(decoded(values["--range"]), parsed);
  return parsed;
}

}  // namespace torvanel
