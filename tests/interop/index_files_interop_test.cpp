// Index files read by Perl's XBase module (libdbd-xbase-perl), which reads but cannot write
// them: files laid out by the test builders must read the same there as in our readers, so the
// layout both sides assume is the published one and not a private agreement.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/index/cdx_file.h"
#include "engine/index/mdx_file.h"
#include "tests/engine/index_file_builders.h"
#include "tests/engine/temp_dir.h"
#include "tests/interop/command_output.h"

namespace tdb::test {
namespace {

// The "key recno" lines index_dump prints for one tag.
std::vector<std::string> dumpWithPerl(const std::string& file, const std::string& tag,
                                      const std::string& type) {
  std::string command = "/usr/bin/perl /usr/bin/index_dump " + type + " '" + file + "' " + tag;
  return interop::commandLines(command);
}

std::string trimmed(std::string key) {
  while (!key.empty() && key.back() == ' ') key.pop_back();
  return key;
}

std::vector<IndexEntry> names(int count) {
  std::vector<IndexEntry> out;
  for (int i = 1; i <= count; ++i) {
    std::string key = "N" + std::to_string(i * 37 % 101);
    key.resize(10, ' ');
    out.push_back({key, static_cast<uint32_t>(i)});
  }
  std::stable_sort(out.begin(), out.end(),
                   [](const IndexEntry& a, const IndexEntry& b) { return a.key < b.key; });
  return out;
}

TEST(IndexFilesInterop, PerlReadsTheSameCdxKeys) {
  TempDir dir;
  TagSpec name{"NAME", "NAME", "", false, false, 'C', 10, names(80)};
  name.keysPerLeaf = 9;
  std::vector<IndexEntry> prices;
  for (int i = 1; i <= 30; ++i) prices.push_back({cdxNumberKey(i * 2.5 - 20), uint32_t(i)});
  TagSpec price{"PRICE", "PRICE", "", false, false, 'N', 8, prices};
  price.trailFill = '\0';
  dir.write("t.cdx", buildCdx({name, price}));

  CdxFile cdx(dir.file("t.cdx"));
  std::vector<std::string> ours;
  for (const IndexEntry& e : cdx.entries(cdx.tagIndex("NAME")))
    ours.push_back(trimmed(e.key) + " " + std::to_string(e.recno));
  EXPECT_EQ(dumpWithPerl(dir.file("t.cdx"), "NAME", "-type=char"), ours);

  std::vector<std::string> theirs = dumpWithPerl(dir.file("t.cdx"), "PRICE", "-type=num");
  std::vector<IndexEntry> walked = cdx.entries(cdx.tagIndex("PRICE"), '\0');
  ASSERT_EQ(theirs.size(), walked.size());
  for (size_t i = 0; i < walked.size(); ++i) {
    double value = 0;
    unsigned recno = 0;
    ASSERT_EQ(std::sscanf(theirs[i].c_str(), "%lf %u", &value, &recno), 2) << theirs[i];
    EXPECT_EQ(value, cdxKeyNumber(walked[i].key));
    EXPECT_EQ(recno, walked[i].recno);
  }
}

TEST(IndexFilesInterop, PerlReadsTheSameMdxKeys) {
  TempDir dir;
  TagSpec name{"NAME", "NAME", "", false, false, 'C', 10, names(90)};
  name.keysPerLeaf = 8;
  dir.write("t.mdx", buildMdx({name}));
  MdxFile mdx(dir.file("t.mdx"));
  std::vector<std::string> ours;
  for (const IndexEntry& e : mdx.entries(0))
    ours.push_back(trimmed(e.key) + " " + std::to_string(e.recno));
  // The module pads MDX keys to their width before the record number: compare words.
  std::vector<std::string> theirs;
  for (const std::string& line : dumpWithPerl(dir.file("t.mdx"), "NAME", "")) {
    char key[64], recno[64];
    if (std::sscanf(line.c_str(), "%63s %63s", key, recno) == 2)
      theirs.push_back(std::string(key) + " " + recno);
  }
  EXPECT_EQ(theirs, ours);
}

}  // namespace
}  // namespace tdb::test
