#pragma once

#include <QString>
#include <stdexcept>
#include <string>
#include <vector>

namespace torvanel {

// The command line of a report run without windows:
//   torvanel --report TABLE --template FILE [--range FROM,TO] [--pdf OUT.pdf] [--png DIR]
// TABLE is a file path or ALIAS:NAME (bytes of the command line, split later as every table
// argument is); at least one of --pdf and --png is given.
struct ReportArguments {
  std::string table;
  QString templateFile;
  bool ranged = false;  // without --range the whole report
  int from = 0;
  int to = 0;
  QString pdf;        // empty: no PDF
  QString pngFolder;  // empty: no pictures
};

// A command line that asks for no valid report run; what() is the Chinese reason, UTF-8.
class ReportArgumentError : public std::runtime_error {
 public:
  explicit ReportArgumentError(const QString& message)
      : std::runtime_error(message.toStdString()) {}
};

// Whether the arguments after the program's name ask for a report run rather than the workbench.
bool asksForReport(const std::vector<std::string>& arguments);

// Reads the arguments after the program's name. Each option takes the next argument as its value
// ("--pdf=OUT.pdf" is accepted too) and may appear once. Throws ReportArgumentError for an unknown
// or repeated option, a missing value, a missing table, template or output, and a range that is
// not two page numbers from 1 with the first not beyond the second.
ReportArguments parseReportArguments(const std::vector<std::string>& arguments);

// How the command is used, in Chinese, for the error messages.
QString reportUsage();

}  // namespace torvanel
