#include "tests/interop/command_output.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace tdb::interop {

std::vector<std::string> commandLines(const std::string& command) {
  std::vector<std::string> lines;
  FILE* p = popen(command.c_str(), "r");
  if (!p) {
    ADD_FAILURE() << "cannot run " << command;
    return lines;
  }
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, p)) {
    std::string line(buffer);
    while (!line.empty() && (line.back() == '\n' || line.back() == ' ')) line.pop_back();
    lines.push_back(line);
  }
  EXPECT_EQ(pclose(p), 0) << command;
  return lines;
}

}  // namespace tdb::interop
