#pragma once

namespace torvanel {

// The report run without windows, for scripts and scheduled printing (see report_arguments.h for
// its command line): opens the table as a table window would (its first index, the .DBF type of
// the settings), loads the template against its fields, and writes the report's sheets of the
// range as a PDF and/or one picture per sheet, the same sheets the preview shows.
//
// Needs no display: without one it runs on Qt's offscreen platform. Every failure (arguments, a
// table or template that cannot be read, an empty report, a range beyond the pages, an output that
// cannot be written) is one Chinese message on stderr and a status other than 0; nothing is
// reported as written that was not.
//
// `argc` and `argv` are main()'s; returns the process's exit status.
int runReportCommand(int& argc, char** argv);

}  // namespace torvanel
