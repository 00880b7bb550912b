#pragma once

#include <stdexcept>
#include <string>

namespace tdb {

// The one exception type of the engine. Its message names the file and what is wrong with it;
// callers decide what to show, the engine never prints.
class EngineError : public std::runtime_error {
 public:
  explicit EngineError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace tdb
