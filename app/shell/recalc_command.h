#pragma once

#include <QString>
#include <stdexcept>
#include <string>
#include <vector>

namespace torvanel {

// The recalculation run without windows, for nightly jobs:
//   torvanel --recalc NAME
// NAME is a project as the project list "datatools.tsm" of the program folder names it. The run
// opens the project's tables as its window would and stores every record of the master through
// the formulas, with progress lines on stdout and a summary. It writes straight to the table
// (the memory buffer setting is for windows, where a user saves or cancels).
//
// Exit status: 0 done; 1 a failure (the project or a table cannot be read, a store fails, a
// lookup cannot be positioned: with no one to ask, that stops the run as a No would); 2 a wrong
// command line. Every failure is a Chinese message on stderr.

// A command line that asks for no valid recalculation; what() is the Chinese reason, UTF-8.
class RecalcArgumentError : public std::runtime_error {
 public:
  explicit RecalcArgumentError(const QString& message)
      : std::runtime_error(message.toStdString()) {}
};

// Whether the arguments after the program's name ask for a recalculation.
bool asksForRecalc(const std::vector<std::string>& arguments);

// The project's name from "--recalc NAME" or "--recalc=NAME", the only arguments accepted.
QString parseRecalcArguments(const std::vector<std::string>& arguments);

// `argc` and `argv` are main()'s; returns the process's exit status.
int runRecalcCommand(int& argc, char** argv);

}  // namespace torvanel
