#pragma once

#include <string>
#include <vector>

namespace tdb::test {

// What one run of the tdb program left behind.
struct TdbRun {
  int status = -1;  // exit status; -1 when it did not exit normally
  std::string out, err;
};

// Runs the built tdb with `args` in the folder `cwd` (empty: this process's), its standard output
// going to `outFile` when given (then `out` stays empty) and captured otherwise.
TdbRun runTdb(const std::vector<std::string>& args, const std::string& cwd = "",
              const std::string& outFile = "");

// The lines of `text`, split at '\n'; a final line end adds no empty line.
std::vector<std::string> lines(const std::string& text);

}  // namespace tdb::test
