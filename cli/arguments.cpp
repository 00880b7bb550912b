#include "cli/arguments.h"

#include <algorithm>

#include "cli/cli_error.h"
#include "engine/gbk_codec.h"

namespace tdb::cli {

Arguments parseArguments(const std::vector<std::string>& words,
                         const std::vector<std::string>& flags,
                         const std::vector<std::string>& valued, size_t minCount, size_t maxCount,
                         const std::vector<std::string>& repeatable) {
  auto listed = [](const std::vector<std::string>& list, const std::string& w) {
    return std::find(list.begin(), list.end(), w) != list.end();
  };
  Arguments args;
  bool optionsEnded = false;
  for (size_t i = 0; i < words.size(); ++i) {
    const std::string& w = words[i];
    if (optionsEnded || w.size() < 2 || w[0] != '-') {
      args.positional.push_back(w);
      continue;
    }
    if (w == "--") {
      optionsEnded = true;
      continue;
    }
    if (listed(repeatable, w)) {
      if (i + 1 >= words.size()) throw UsageError("option " + w + " needs a value");
      args.lists[w].push_back(words[++i]);
      continue;
    }
    if (args.has(w)) throw UsageError("option " + w + " given twice");
    if (listed(flags, w)) {
      args.options[w] = "";
    } else if (listed(valued, w)) {
      if (i + 1 >= words.size()) throw UsageError("option " + w + " needs a value");
      args.options[w] = words[++i];
    } else {
      throw UsageError("unknown option " + w);
    }
  }
  if (args.positional.size() < minCount) throw UsageError("missing argument");
  if (args.positional.size() > maxCount) throw UsageError("too many arguments");
  return args;
}

std::string gbkArgument(const std::string& utf8, const char* what) {
  if (!fitsGbk(utf8)) throw UsageError(std::string(what) + " has characters GBK cannot hold");
  return utf8ToGbk(utf8);
}

}  // namespace tdb::cli
