// tdb index, tdb reindex: adding a tag to a table's production index, and rebuilding the index
// from the records, dropping tags on the way.

#include <algorithm>
#include <stdexcept>

#include "cli/arguments.h"
#include "cli/cli_error.h"
#include "cli/commands.h"
#include "cli/table_file.h"
#include "engine/gbk_codec.h"

namespace tdb::cli {

namespace {

std::string tagName(const std::string& argument) {
  if (argument.empty()) throw UsageError("empty tag name");
  return gbkArgument(argument, "the tag name");
}

// The entries the index file holds for a tag: one per key of a unique tag, else one per record
// the FOR condition keeps.
size_t entryCount(const ProductionIndex::Tag& tag) {
  if (!tag.info.unique) return tag.keys.size();
  size_t n = 0;
  std::string last;
  tag.keys.forEach([&](std::string_view key, uint32_t) {
    if (n > 0 && key == last) return;
    last = key;
    ++n;
  });
  return n;
}

}  // namespace

int addTag(const Context& context, const Words& words, Output& out) {
  const Arguments args = parseArguments(words, {"--unique", "--descending"}, {}, 3, 3);
  Table t;
  pointTable(t, args.positional[0], context);
  IndexDef def;
  def.name = tagName(args.positional[1]);
  if (args.positional[2].find_first_not_of(' ') == std::string::npos)
    throw UsageError("empty key expression");
  // Always an expression: the engine recognises one that is a plain field list by itself.
  def.expression = gbkArgument(args.positional[2], "the key expression");
  def.options = ixExpression;
  if (args.has("--unique")) def.options |= ixUnique;
  if (args.has("--descending")) def.options |= ixDescending;

  // Adding writes the whole index file, which cannot hold a tag without keys; and adding over a
  // tag of the same name would silently replace a key the table's owner may rely on.
  const auto file = openTableFile(t, true);
  ProductionIndex& index = indexOf(*file, t);
  for (int i = 0; i < index.tagCount(); ++i) {
    const ProductionIndex::Tag& tag = index.tag(i);
    if (!tag.problem.empty())
      throw std::runtime_error("tag " + gbkToUtf8(tag.info.name) + " of " + t.path() +
                               " cannot be evaluated (" + tag.problem + "); drop it first with " +
                               "tdb reindex " + args.positional[0] + " --drop " +
                               gbkToUtf8(tag.info.name));
  }
  if (index.findTag(def.name) >= 0)
    throw std::runtime_error(t.path() + " has a tag " + args.positional[1] +
                             " already; drop it first with tdb reindex " + args.positional[0] +
                             " --drop " + args.positional[1]);
  index.addTag(def);
  file->flush();  // sets the header's index mark; a failure must not pass for success
  const ProductionIndex::Tag& added = index.tag(index.findTag(def.name));
  out.line("added tag " + gbkToUtf8(added.info.name) + " (" + gbkToUtf8(added.info.expression) +
           ") to " + index.path() + ": " + std::to_string(entryCount(added)) + " keys");
  return 0;
}

int reindexTable(const Context& context, const Words& words, Output& out) {
  const Arguments args = parseArguments(words, {}, {}, 1, 1, {"--drop"});
  Table t;
  pointTable(t, args.positional[0], context);
  const auto file = openTableFile(t, true);
  ProductionIndex& index = indexOf(*file, t);

  // Everything is checked before anything changes: a command line with a slip in it leaves the
  // index as it was.
  std::vector<std::string> drops;  // names as the index file has them
  for (const std::string& name : args.values("--drop")) {
    const int i = index.findTag(tagName(name));
    if (i < 0) throw std::runtime_error(t.path() + " has no tag " + name);
    const std::string& stored = index.tag(i).info.name;
    if (std::find(drops.begin(), drops.end(), stored) == drops.end()) drops.push_back(stored);
  }
  std::string unusable;
  for (int i = 0; i < index.tagCount(); ++i) {
    const ProductionIndex::Tag& tag = index.tag(i);
    if (tag.problem.empty() || std::find(drops.begin(), drops.end(), tag.info.name) != drops.end())
      continue;
    unusable += (unusable.empty() ? "" : "; ") + gbkToUtf8(tag.info.name) + ": " + tag.problem;
  }
  if (!unusable.empty())
    throw std::runtime_error("cannot rebuild the index of " + t.path() +
                             ", tags the engine cannot evaluate (" + unusable +
                             "); give --drop NAME for each to drop it");
  // Tags whose definitions the damaged file lost cannot be rebuilt: the rebuilt file goes without
  // them (without any, when its header is gone).
  std::vector<std::string> lost;
  for (const std::string& what : index.damage()) lost.push_back(what + "; rebuilt without it");
  warn(lost);
  if (index.tagCount() == 0 && lost.empty()) {
    out.line(t.path() + " has no index tags; nothing to rebuild");
    return 0;
  }

  for (const std::string& name : drops) {
    index.removeTag(name);
    out.line("dropped " + gbkToUtf8(name));
  }
  index.rebuild();
  file->flush();  // the header's index mark follows whether any tag is left
  for (int i = 0; i < index.tagCount(); ++i)
    out.line("rebuilt " + gbkToUtf8(index.tag(i).info.name) + ": " +
             std::to_string(entryCount(index.tag(i))) + " keys");
  if (index.tagCount() == 0)
    out.line(index.path() + ": no tags left, the file is gone");
  else
    out.line(index.path() + ": " + std::to_string(index.tagCount()) + " tags rebuilt, " +
             std::to_string(drops.size()) + " dropped");
  return 0;
}

}  // namespace tdb::cli
