#pragma once

#include <stdexcept>
#include <string>

namespace tdb::cli {

// A command line that does not say what to do: the usage goes to stderr and tdb exits 2.
// Everything else that goes wrong (engine errors, output errors) exits 1.
class UsageError : public std::runtime_error {
 public:
  explicit UsageError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace tdb::cli
