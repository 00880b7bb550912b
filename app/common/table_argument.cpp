#include "app/common/table_argument.h"

#include <filesystem>

namespace torvanel {

TableArgument splitTableArgument(const std::string& argument) {
  if (argument.empty()) throw TableArgumentError("empty table name");
  const size_t colon = argument.find(':');
  const bool aliasRef = colon != std::string::npos && colon > 0 && argument.find('/') > colon &&
                        !std::filesystem::exists(argument);
  if (aliasRef) {
    const std::string name = argument.substr(colon + 1);
    if (name.empty()) throw TableArgumentError("no table name after the alias in " + argument);
    return {true, argument.substr(0, colon), name};
  }
  const size_t slash = argument.rfind('/');
  const size_t start = slash == std::string::npos ? 0 : slash + 1;
  if (start == argument.size()) throw TableArgumentError(argument + " names a folder, not a table");
  return {false, argument.substr(0, start), argument.substr(start)};
}

}  // namespace torvanel
