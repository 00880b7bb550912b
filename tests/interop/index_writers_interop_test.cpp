// Index files our writers make, read by Perl's XBase module (libdbd-xbase-perl): it must find
// the same keys in the same order as our readers do, through trees of several levels.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "engine/index/cdx_file.h"
#include "engine/index/cdx_writer.h"
#include "engine/index/key_encoding.h"
#include "engine/index/mdx_file.h"
#include "engine/index/mdx_writer.h"
#include "tests/engine/temp_dir.h"
#include "tests/interop/command_output.h"

namespace tdb::test {
namespace {

namespace ke = key_encoding;

// The lines index_dump prints for one tag, or the tag list when `tag` is empty.
std::vector<std::string> dumpWithPerl(const std::string& file, const std::string& tag,
                                      const std::string& type = "") {
  std::string command = "/usr/bin/perl /usr/bin/index_dump " + type + " '" + file + "' " + tag;
  return interop::commandLines(command);
}

struct Tag {
  IndexTagInfo info;
  std::unique_ptr<KeyList> keys;
};

// A tag of plain keys; a descending tag keeps them inverted in memory, as the engine does.
Tag makeTag(const std::string& name, char type, int keyLength,
            const std::vector<std::pair<std::string, uint32_t>>& plain, bool descending = false) {
  Tag t;
  t.info.name = t.info.expression = name;
  t.info.keyType = type;
  t.info.keyLength = keyLength;
  t.info.descending = descending;
  std::string bytes;
  std::vector<uint32_t> recnos;
  for (const auto& [key, recno] : plain) {
    bytes += descending ? ke::inverted(key) : key;
    recnos.push_back(recno);
  }
  t.keys = std::make_unique<KeyList>(keyLength);
  t.keys->assign(std::move(bytes), std::move(recnos));
  return t;
}

std::vector<TagImage> images(const std::vector<const Tag*>& tags) {
  std::vector<TagImage> out;
  for (const Tag* t : tags) out.push_back(TagImage{t->info, t->keys.get()});
  return out;
}

// Names with repeats, shared prefixes and words after a blank: enough for several levels.
std::vector<std::pair<std::string, uint32_t>> names(uint32_t count) {
  std::vector<std::pair<std::string, uint32_t>> out;
  for (uint32_t i = 1; i <= count; ++i) {
    std::string key = "N" + std::to_string(i * 7919 % 6007);
    if (i % 5 == 0) key += " X";
    key.resize(12, ' ');
    out.push_back({key, i});
  }
  return out;
}

std::string trimmed(std::string key) {
  while (!key.empty() && key.back() == ' ') key.pop_back();
  return key;
}

TEST(IndexWritersInterop, PerlReadsOurCdxTheWayWeDo) {
  TempDir dir;
  Tag name = makeTag("NAME", 'C', 12, names(20000));
  Tag back = makeTag("BACK", 'C', 12, names(3000), true);
  std::vector<std::pair<std::string, uint32_t>> prices;
  for (uint32_t i = 1; i <= 5000; ++i)
    prices.push_back({ke::sortableNumber((i * 31 % 997) * 2.5 - 1000), i});
  Tag price = makeTag("PRICE", 'N', 8, prices);
  std::vector<Tag> extra;  // enough tags for the directory to need more than one node
  for (int i = 0; i < 40; ++i) extra.push_back(makeTag("T" + std::to_string(i), 'C', 2, {}));
  std::vector<const Tag*> all = {&name, &back, &price};
  for (const Tag& t : extra) all.push_back(&t);
  const std::string path = dir.file("t.cdx");
  writeCdx(path, images(all));

  CdxFile cdx(path);
  // Perl lists the tags in the directory's order, by name.
  std::vector<std::string> ourTags;
  for (const IndexTagInfo& t : cdx.tags()) ourTags.push_back(t.name);
  std::sort(ourTags.begin(), ourTags.end());
  EXPECT_EQ(dumpWithPerl(path, "", "-type=char"), ourTags);

  for (const char* tag : {"NAME", "BACK"}) {
    std::vector<std::string> ours;
    for (const IndexEntry& e : cdx.entries(cdx.tagIndex(tag)))
      ours.push_back(trimmed(e.key) + " " + std::to_string(e.recno));
    const std::vector<std::string> theirs = dumpWithPerl(path, tag, "-type=char");
    EXPECT_EQ(theirs.size(), ours.size()) << tag;
    EXPECT_TRUE(theirs == ours) << tag << ": Perl reads another order";
  }

  const std::vector<std::string> theirs = dumpWithPerl(path, "PRICE", "-type=num");
  const std::vector<IndexEntry> walked = cdx.entries(cdx.tagIndex("PRICE"), '\0');
  ASSERT_EQ(theirs.size(), walked.size());
  for (size_t i = 0; i < walked.size(); ++i) {
    double value = 0;
    unsigned recno = 0;
    ASSERT_EQ(std::sscanf(theirs[i].c_str(), "%lf %u", &value, &recno), 2) << theirs[i];
    ASSERT_EQ(value, ke::numberOfSortable(walked[i].key)) << "entry " << i;
    ASSERT_EQ(recno, walked[i].recno) << "entry " << i;
  }
}

TEST(IndexWritersInterop, PerlReadsOurMdxTheWayWeDo) {
  TempDir dir;
  // MDX keys print padded to their width: keys without inner blanks compare word by word.
  std::vector<std::pair<std::string, uint32_t>> rows;
  for (auto [key, recno] : names(20000)) {
    std::replace(key.begin(), key.end(), ' ', '_');
    key.resize(key.find_last_not_of('_') + 1);
    key.resize(12, ' ');
    rows.push_back({key, recno});
  }
  Tag name = makeTag("NAME", 'C', 12, rows);
  Tag back = makeTag("BACK", 'C', 12, rows, true);
  const std::string path = dir.file("t.mdx");
  writeMdx(path, images({&name, &back}), "T");

  MdxFile mdx(path);
  for (int tag = 0; tag < 2; ++tag) {
    std::vector<std::string> ours;
    for (const IndexEntry& e : mdx.entries(tag))
      ours.push_back(trimmed(e.key) + " " + std::to_string(e.recno));
    std::vector<std::string> theirs;
    for (const std::string& line : dumpWithPerl(path, mdx.tags()[tag].name)) {
      char key[64], recno[64];
      if (std::sscanf(line.c_str(), "%63s %63s", key, recno) == 2)
        theirs.push_back(std::string(key) + " " + recno);
    }
    EXPECT_EQ(theirs.size(), ours.size()) << mdx.tags()[tag].name;
    EXPECT_TRUE(theirs == ours) << mdx.tags()[tag].name << ": Perl reads another order";
  }
}

}  // namespace
}  // namespace tdb::test
