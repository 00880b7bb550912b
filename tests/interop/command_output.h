#pragma once

#include <string>
#include <vector>

namespace tdb::interop {

// Runs a shell command and returns its output lines, line ends and trailing blanks removed; a
// test failure is recorded when the command does not exit with 0.
std::vector<std::string> commandLines(const std::string& command);

}  // namespace tdb::interop
