#pragma once

#include <map>
#include <string>
#include <vector>

namespace tdb::cli {

// The words after a command's name, split into positional arguments and options. Options may
// stand anywhere among the positional arguments; "--" ends them, so that a file whose name starts
// with '-' can still be named.
struct Arguments {
  std::vector<std::string> positional;
  std::map<std::string, std::string> options;             // flag -> "" for flags, else its value
  std::map<std::string, std::vector<std::string>> lists;  // repeatable option -> its values

  bool has(const std::string& option) const { return options.count(option) > 0; }
  const std::string& value(const std::string& option) const { return options.at(option); }
  // The values of a repeatable option in command-line order; empty when it was not given.
  std::vector<std::string> values(const std::string& option) const {
    const auto it = lists.find(option);
    return it == lists.end() ? std::vector<std::string>{} : it->second;
  }
};

// `flags` take no value, `valued` take the next word, `repeatable` take the next word and may be
// given any number of times. Throws UsageError for an unknown option, a missing value, a flag or
// valued option given twice, or a positional count outside [minCount, maxCount].
Arguments parseArguments(const std::vector<std::string>& words,
                         const std::vector<std::string>& flags,
                         const std::vector<std::string>& valued, size_t minCount, size_t maxCount,
                         const std::vector<std::string>& repeatable = {});

// UTF-8 from the command line as the engine's GBK; throws UsageError naming `what` when a
// character has no GBK form (it would silently become '?', and name some other table or value).
std::string gbkArgument(const std::string& utf8, const char* what);

}  // namespace tdb::cli
