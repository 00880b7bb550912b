#include "cli/structure_file.h"

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "cli/arguments.h"

namespace tdb::cli {

namespace {

// The words of a line up to a comment.
std::vector<std::string> wordsOf(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string w; in >> w;) {
    if (w[0] == '#') break;
    words.push_back(w);
  }
  return words;
}

FieldType typeNamed(const std::string& name) {
  for (int t = static_cast<int>(FieldType::ftString); t <= static_cast<int>(FieldType::ftAutoInc);
       ++t)
    if (name == fieldTypeName(static_cast<FieldType>(t))) return static_cast<FieldType>(t);
  throw std::invalid_argument("unknown type " + name + " (write it as tdb info prints it)");
}

int numberIn(const std::string& word, const char* what) {
  size_t used = 0;
  int n = -1;
  try {
    n = std::stoi(word, &used);
  } catch (const std::exception&) {
  }
  if (used != word.size() || n < 0)
    throw std::invalid_argument(std::string(what) + " " + word + " is not a whole number");
  return n;
}

FieldDef fieldLine(const std::vector<std::string>& w, const FieldDefs& old) {
  if (w.size() < 3 || w.size() > 5)
    throw std::invalid_argument("expected: field NAME TYPE [SIZE [DECIMALS]]");
  const std::string name = gbkArgument(w[1], "the field name");
  if (w[2] == "keep") {
    if (w.size() > 3) throw std::invalid_argument("a kept field takes no size");
    const int i = old.indexOf(name);
    if (i < 0) throw std::invalid_argument("the table has no field " + w[1] + " to keep");
    FieldDef kept = old[i];
    kept.name = name;
    return kept;
  }
  FieldDef def{name, typeNamed(w[2]), 0, 0, false};
  if (w.size() > 3) def.size = numberIn(w[3], "the size");
  if (w.size() > 4) def.precision = numberIn(w[4], "the decimals");
  return def;
}

IndexDef indexLine(std::vector<std::string> w, const FieldDefs& fields) {
  if (w.size() < 3) throw std::invalid_argument("expected: index NAME FIELDS [options]");
  IndexDef def;
  def.name = gbkArgument(w[1], "the index name");
  const std::pair<const char*, unsigned> options[] = {{"unique", ixUnique},
                                                      {"descending", ixDescending},
                                                      {"caseless", ixCaseInsensitive},
                                                      {"primary", ixPrimary}};
  for (bool found = true; found && w.size() > 3;) {
    found = false;
    for (const auto& [word, option] : options) {
      if (w.back() != word) continue;
      def.options |= option;
      w.pop_back();
      found = true;
      break;
    }
  }
  std::string key;
  for (size_t i = 2; i < w.size(); ++i) key += (i > 2 ? " " : "") + w[i];
  key = gbkArgument(key, "the index key");
  bool plain = key.find(' ') == std::string::npos;
  for (size_t start = 0; plain && start <= key.size();) {
    const size_t end = std::min(key.find(';', start), key.size());
    plain = fields.indexOf(key.substr(start, end - start)) >= 0;
    start = end + 1;
  }
  if (plain) {
    def.fields = key;
  } else {
    def.expression = key;
    def.options |= ixExpression;
  }
  return def;
}

}  // namespace

Structure readStructure(const std::string& path, const FieldDefs& old) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read the structure file " + path);
  Structure s;
  std::vector<std::string> indexLines;
  std::vector<int> indexLineNumbers;
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::vector<std::string> w = wordsOf(line);
    if (w.empty()) continue;
    try {
      if (w[0] == "field") {
        FieldDef def = fieldLine(w, old);
        if (s.fields.indexOf(def.name) >= 0)
          throw std::invalid_argument("the field " + w[1] + " is given twice");
        s.fields.add(std::move(def));
      } else if (w[0] == "index") {
        indexLines.push_back(line);
        indexLineNumbers.push_back(number);
      } else {
        throw std::invalid_argument("a line starts with field or index, not " + w[0]);
      }
    } catch (const std::exception& e) {
      throw std::runtime_error(path + " line " + std::to_string(number) + ": " + e.what());
    }
  }
  // Indexes after every field: a key names fields of the new structure wherever they stand.
  for (size_t i = 0; i < indexLines.size(); ++i) {
    try {
      s.indexes.add(indexLine(wordsOf(indexLines[i]), s.fields));
    } catch (const std::exception& e) {
      throw std::runtime_error(path + " line " + std::to_string(indexLineNumbers[i]) + ": " +
                               e.what());
    }
  }
  return s;
}

}  // namespace tdb::cli
