// Tables the engine indexes, read by Perl's XBase module: every tag the engine writes is there,
// and walking it gives the order the engine's cursor shows, also after edits, deletes and pack.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "engine/convert.h"
#include "engine/table.h"
#include "tests/engine/table_fixture.h"
#include "tests/interop/command_output.h"

namespace tdb::test {
namespace {

// Runs Perl with XBase::Index on `arguments`: with a tag, it prints the record number of every
// key in the order the module walks them (keys are binary in places, so they are left out);
// without one, the tags.
std::vector<std::string> perlLines(const std::string& arguments) {
  const std::string command =
      "/usr/bin/perl -MXBase::Index -e '"
      "my ($file, $type, $tag) = @ARGV;"
      "my $i = XBase::Index->new($file, type => $type, (defined $tag ? (tag => $tag) : ()))"
      "  or die XBase::Index->errstr;"
      "if (!defined $tag) { print map \"$_\\n\", $i->tags; exit }"
      "$i->prepare_select or die $i->errstr;"
      "while (my ($key, $recno) = $i->fetch) { print \"$recno\\n\" }' " +
      arguments;
  return interop::commandLines(command);
}

// The record numbers Perl walks in tag `tag`, leaving out `skip` (deleted records, which an
// index keeps and a cursor does not show).
std::vector<long> perlOrder(const std::string& file, const std::string& tag, const char* type,
                            const std::set<long>& skip = {}) {
  std::vector<long> out;
  for (const std::string& line : perlLines("'" + file + "' " + type + " " + tag)) {
    const long recno = std::stol(line);
    if (!skip.count(recno)) out.push_back(recno);
  }
  return out;
}

std::vector<long> cursorOrder(Table& t, const std::string& tag) {
  t.setIndexName(tag);
  std::vector<long> out;
  for (t.first(); !t.eof(); t.next()) out.push_back(t.recNo());
  return out;
}

class IndexedTablesInterop : public ::testing::TestWithParam<TableType> {
 protected:
  std::string indexFile() const {
    return dir.file(GetParam() == TableType::ttFoxPro ? "stock.cdx" : "stock.mdx");
  }

  // Every tag walked by Perl in the cursor's order. A CDX keeps a descending tag ascending and
  // marks it; Perl walks what is stored.
  void expectSameOrders(Table& t, const std::set<long>& deleted) {
    // The module cannot tell a compound index's character keys from its numeric ones.
    const std::pair<const char*, const char*> tags[] = {
        {"NAME", "C"}, {"PRICE", "N"}, {"DAY", "N"}, {"CODE", "C"}, {"LATEST", "N"}};
    for (const auto& [tag, type] : tags) {
      std::vector<long> ours = cursorOrder(t, tag);
      std::vector<long> theirs = perlOrder(indexFile(), tag, type, deleted);
      if (GetParam() == TableType::ttFoxPro && std::string(tag) == "LATEST")
        std::reverse(theirs.begin(), theirs.end());
      EXPECT_EQ(theirs, ours) << tag;
    }
  }

  TempDir dir;
};

TEST_P(IndexedTablesInterop, PerlWalksEveryTagInOurOrder) {
  Table t;
  point(t, dir, "stock.dbf", GetParam());
  t.fieldDefs().add("NAME", FieldType::ftString, 12);
  t.fieldDefs().add({"PRICE", FieldType::ftFloat, 9, 2, false});
  t.fieldDefs().add("DAY", FieldType::ftDate);
  t.fieldDefs().add("CODE", FieldType::ftString, 6);
  t.indexDefs().add({"NAME", "NAME", "", 0});
  t.indexDefs().add({"PRICE", "PRICE", "", 0});
  t.indexDefs().add({"DAY", "DAY", "", 0});
  t.indexDefs().add({"CODE", "", "UPPER(CODE)+NAME", ixExpression});
  t.indexDefs().add({"LATEST", "DAY", "", ixDescending});
  t.createTable();
  t.setExclusive(true);
  t.open();
  // Enough records for trees of more than one level, with repeated names and codes.
  for (int i = 1; i <= 3000; ++i) {
    t.append();
    t.fieldByName("NAME").setAsString("item" + std::to_string(i * 7919 % 1000));
    t.fieldByName("PRICE").setValue(Value::number((i * 37 % 2001) - 1000 + i / 1000.0));
    t.fieldByName("DAY").setValue(Value::dateTime(encodeDate(2000, 1, 1) + i * 3));
    t.fieldByName("CODE").setAsString(i % 3 ? "ab" : "AC");
    t.post();
  }
  t.close();

  ASSERT_EQ(perlLines("'" + indexFile() + "' C").size(), 5u);  // the tags, one a line
  t.open();
  std::set<long> deleted;
  for (long r : {5L, 17L, 400L, 2999L}) {
    t.setIndexName("");
    for (t.first(); t.recNo() != r;) t.next();
    t.deleteRecord();
    deleted.insert(r);
  }
  t.first();
  t.edit();
  t.fieldByName("NAME").setAsString("aaa first");
  t.fieldByName("PRICE").setValue(Value::number(-5000));
  t.post();
  t.close();
  t.open();
  expectSameOrders(t, deleted);

  t.pack();
  t.close();
  t.open();
  EXPECT_EQ(t.recordCount(), 2996);
  expectSameOrders(t, {});
}

INSTANTIATE_TEST_SUITE_P(Formats, IndexedTablesInterop,
                         ::testing::Values(TableType::ttDBase, TableType::ttFoxPro),
                         [](const auto& info) {
                           return info.param == TableType::ttFoxPro ? "FoxPro" : "dBASE";
                         });

}  // namespace
}  // namespace tdb::test
