#include "engine/dbf/memo_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "engine/engine_error.h"
#include "tests/engine/temp_dir.h"

namespace tdb {
namespace {

using test::TempDir;

std::string le32(uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }
std::string be32(uint32_t v) { return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }
std::string zeros(size_t n) { return std::string(n, '\0'); }
std::string pad(std::string s, size_t n) {
  s.resize(n, '\0');
  return s;
}

std::string dbt3Header(uint32_t next) { return pad(le32(next), 512); }
std::string dbt4Header(uint32_t next, uint32_t blockSize) {
  return pad(le32(next) + zeros(16) + char(blockSize) + char(blockSize >> 8), blockSize);
}
std::string dbt4Memo(const std::string& data, uint32_t length) {
  return std::string("\xFF\xFF\x08\x00", 4) + le32(length) + data;
}
std::string fptHeader(uint32_t next, uint16_t blockSize) {
  return pad(be32(next) + zeros(2) + char(blockSize >> 8) + char(blockSize), 512);
}

// Runs `f`, which must throw an EngineError naming `file` and containing `detail`.
template <typename F>
void expectFailure(F f, const std::string& file, const std::string& detail = "") {
  try {
    f();
    ADD_FAILURE() << "no error for " << file << " " << detail;
  } catch (const EngineError& e) {
    std::string what = e.what();
    EXPECT_NE(what.find(file), std::string::npos) << what;
    EXPECT_NE(what.find(detail), std::string::npos) << what;
  }
}

// Bytes a memo costs beyond its data.
size_t overhead(MemoFormat f) { return f == MemoFormat::Dbt3 ? 2 : f == MemoFormat::Dbt4 ? 9 : 8; }

class MemoRoundTrip : public ::testing::TestWithParam<MemoFormat> {};

TEST_P(MemoRoundTrip, StoresRewritesAndAppends) {
  TempDir dir;
  const std::string path = dir.file("t.memo");
  auto memo = MemoFile::create(path, GetParam());
  const uint32_t bs = memo->blockSize();
  const std::string exact(bs - overhead(GetParam()), 'e');
  std::string gbk;
  for (int i = 0; i < 700; ++i) gbk += "\xD6\xD0\xCE\xC4";  // 中文, 2800 bytes over several blocks

  uint32_t text = memo->write("hello", 0, false);
  uint32_t empty = memo->write("", 0, false);
  uint32_t full = memo->write(exact, 0, false);
  uint32_t multi = memo->write(gbk, 0, false);
  uint32_t after = memo->write("x", 0, false);
  EXPECT_EQ(empty, text + 1);
  EXPECT_EQ(full, empty + 1);
  EXPECT_EQ(multi, full + 1);  // the exact fit took one block, no more
  EXPECT_EQ(after, multi + (gbk.size() + overhead(GetParam()) + bs - 1) / bs);

  EXPECT_EQ(memo->write("hi", text, false), text);  // fits: rewritten in place
  EXPECT_EQ(memo->write(exact, full, false), full);
  uint32_t grown = memo->write(gbk, text, false);  // no longer fits: appended
  EXPECT_GT(grown, after);
  EXPECT_EQ(memo->read(empty), "");

  memo.reset();
  auto again = MemoFile::open(path, GetParam(), false);
  EXPECT_EQ(again->blockSize(), bs);
  EXPECT_EQ(again->read(text), "hi");
  EXPECT_EQ(again->read(empty), "");
  EXPECT_EQ(again->read(full), exact);
  EXPECT_EQ(again->read(multi), gbk);
  EXPECT_EQ(again->read(after), "x");
  EXPECT_EQ(again->read(grown), gbk);
}

// Memos around the read-ahead sizes, read back out of order (as an index order fetches them),
// from a file written as shared writers write and from one held alone, which must be the same.
TEST_P(MemoRoundTrip, ReadsMemosOfEverySizeInAnyOrderAndAppendsAloneAsShared) {
  TempDir sharedDir, aloneDir;  // one name in both: a dBASE IV header names its file
  auto shared = MemoFile::create(sharedDir.file("t.memo"), GetParam());
  auto alone = MemoFile::create(aloneDir.file("t.memo"), GetParam());
  alone->holdAlone();
  std::vector<std::string> memos;
  std::vector<uint32_t> blocks;
  for (size_t size : {3, 600, 4000, 4200, 9000, 16000, 17000, 70000, 5}) {
    std::string data(size, ' ');
    for (size_t i = 0; i < size; ++i) data[i] = char('a' + (i * 7 + size) % 26);
    memos.push_back(data);
    blocks.push_back(shared->write(data, 0, false));
    EXPECT_EQ(alone->write(data, 0, false), blocks.back());
  }
  shared.reset();
  alone.reset();
  EXPECT_TRUE(sharedDir.read("t.memo") == aloneDir.read("t.memo"));
  auto again = MemoFile::open(aloneDir.file("t.memo"), GetParam(), false);
  for (size_t i : {8, 2, 6, 0, 5, 3, 7, 1, 4, 4, 3})
    EXPECT_EQ(again->read(blocks[i]), memos[i]) << i;
}

INSTANTIATE_TEST_SUITE_P(MemoFormats, MemoRoundTrip,
                         ::testing::Values(MemoFormat::Dbt3, MemoFormat::Dbt4, MemoFormat::Fpt));

TEST(MemoLayout, WritesThePublishedBytes) {
  TempDir dir;
  MemoFile::create(dir.file("a.dbt"), MemoFormat::Dbt3)->write("abc", 0, false);
  std::string a = dir.read("a.dbt");
  ASSERT_EQ(a.size(), 1024u);
  EXPECT_EQ(a.substr(0, 4), le32(2));
  EXPECT_EQ(a[16], '\x03');
  EXPECT_EQ(a.substr(512, 5), "abc\x1A\x1A");

  MemoFile::create(dir.file("ORDERS.dbt"), MemoFormat::Dbt4, 1024)->write("abc", 0, false);
  std::string b = dir.read("ORDERS.dbt");
  ASSERT_EQ(b.size(), 2048u);
  EXPECT_EQ(b.substr(0, 4), le32(2));
  EXPECT_EQ(b.substr(8, 8), std::string("ORDERS\0\0", 8));
  EXPECT_EQ(b.substr(20, 2), std::string("\x00\x04", 2));
  EXPECT_EQ(b.substr(1024, 12), dbt4Memo("abc", 11) + "\x1F");

  auto fpt = MemoFile::create(dir.file("c.fpt"), MemoFormat::Fpt);
  fpt->write("abc", 0, false);
  fpt->write(std::string("\x00\x1A\xFF", 3), 0, true);
  std::string c = dir.read("c.fpt");
  ASSERT_EQ(c.size(), 640u);
  EXPECT_EQ(c.substr(0, 8), be32(10) + std::string("\x00\x00\x00\x40", 4));
  EXPECT_EQ(c.substr(512, 11), be32(1) + be32(3) + "abc");
  EXPECT_EQ(c.substr(576, 11), be32(0) + be32(3) + std::string("\x00\x1A\xFF", 3));
}

TEST(MemoLayout, ReadsFilesOfOtherWriters) {
  TempDir dir;
  // Unpadded, single and missing terminators, a memo spanning blocks.
  dir.write("a.dbt", dbt3Header(6) + pad("first\x1A\x1A", 512) + std::string(600, 'x') +
                         pad("\x1A\x1A", 424) + pad("one\x1A", 512) + "cut by the end");
  auto a = MemoFile::open(dir.file("a.dbt"), MemoFormat::Dbt3, true);
  EXPECT_EQ(a->read(1), "first");
  EXPECT_EQ(a->read(2), std::string(600, 'x'));
  EXPECT_EQ(a->read(4), "one");
  EXPECT_EQ(a->read(5), "cut by the end");
  EXPECT_EQ(a->write("new", 0, false), 6u);
  EXPECT_EQ(a->read(5), "cut by the end");

  dir.write("b.dbt", dbt4Header(3, 512) + pad(dbt4Memo("memo one", 16) + "\x1A\x1A", 512) +
                         dbt4Memo("two", 11));
  auto b = MemoFile::open(dir.file("b.dbt"), MemoFormat::Dbt4, false);
  EXPECT_EQ(b->read(1), "memo one");
  EXPECT_EQ(b->read(2), "two");

  // 32-byte blocks: the header is blocks 0 to 15.
  dir.write("c.fpt", fptHeader(18, 32) + pad(be32(1) + be32(10) + "0123456789", 32) + be32(0) +
                         be32(2) + "\x89P");
  auto c = MemoFile::open(dir.file("c.fpt"), MemoFormat::Fpt, false);
  EXPECT_EQ(c->blockSize(), 32u);
  EXPECT_EQ(c->read(16), "0123456789");
  EXPECT_EQ(c->read(17), "\x89P");
}

TEST(MemoDamage, BadHeadersFailNamingTheFile) {
  TempDir dir;
  struct Case {
    const char* name;
    MemoFormat format;
    std::string bytes;
    const char* detail;
  } cases[] = {
      {"short.dbt", MemoFormat::Dbt3, le32(1) + zeros(100), "文件头不完整"},
      {"short4.dbt", MemoFormat::Dbt4, le32(1), "文件头不完整"},
      {"short.fpt", MemoFormat::Fpt, be32(8) + zeros(100), "文件头不完整"},
      {"zero4.dbt", MemoFormat::Dbt4, pad(le32(1), 512), "块大小为0"},
      {"zero.fpt", MemoFormat::Fpt, fptHeader(8, 0), "块大小为0"},
      {"odd4.dbt", MemoFormat::Dbt4, dbt4Header(1, 100), "块大小100"},
      {"next0.dbt", MemoFormat::Dbt3, dbt3Header(0), "位于文件头内"},
      {"nexthead.fpt", MemoFormat::Fpt, fptHeader(3, 64), "位于文件头内"},
  };
  for (const Case& c : cases) {
    dir.write(c.name, c.bytes);
    expectFailure([&] { MemoFile::open(dir.file(c.name), c.format, false); }, c.name, c.detail);
  }
  expectFailure([&] { MemoFile::open(dir.file("missing.fpt"), MemoFormat::Fpt, false); },
                "missing.fpt", "无法打开");
}

TEST(MemoDamage, BadBlocksFailNamingFileAndBlock) {
  TempDir dir;
  dir.write("d.dbt", dbt4Header(5, 512) + pad(dbt4Memo("ok", 10), 512) +
                         pad("\xFF\xFF\x09\x00" + le32(10), 512) + pad(dbt4Memo("", 4), 512) +
                         pad(dbt4Memo("", 0xFFFFFFF0), 512));
  auto d = MemoFile::open(dir.file("d.dbt"), MemoFormat::Dbt4, false);
  EXPECT_EQ(d->read(1), "ok");
  expectFailure([&] { d->read(0); }, "d.dbt", "第0块");
  expectFailure([&] { d->read(2); }, "d.dbt", "第2块的块头已损坏");
  expectFailure([&] { d->read(3); }, "d.dbt", "第3块的备注长度4无效");
  expectFailure([&] { d->read(4); }, "d.dbt", "超出文件末尾");
  expectFailure([&] { d->read(5); }, "d.dbt", "第5块超出文件末尾");
  expectFailure([&] { d->read(0xFFFFFFFF); }, "d.dbt", "超出文件末尾");

  dir.write("f.fpt", fptHeader(11, 64) + pad(be32(1) + be32(0xFFFFFFF0), 64) +
                         pad(be32(7) + be32(1), 64) + be32(1) + be32(100) + "short");
  auto f = MemoFile::open(dir.file("f.fpt"), MemoFormat::Fpt, false);
  expectFailure([&] { f->read(3); }, "f.fpt", "第3块位于文件头内");
  expectFailure([&] { f->read(8); }, "f.fpt", "第8块的备注长度4294967280超出文件末尾");
  expectFailure([&] { f->read(9); }, "f.fpt", "第9块的块头已损坏");
  expectFailure([&] { f->read(10); }, "f.fpt", "第10块的备注长度100超出文件末尾");
}

// A header whose next-free block lies past the end: the file lost its end. What is left reads;
// nothing may be added to it.
TEST(MemoDamage, AFileCutShortReadsWhatItHoldsAndRefusesWrites) {
  TempDir dir;
  dir.write("cut.dbt", dbt3Header(50) + pad("kept\x1A\x1A", 512));
  dir.write("cut.fpt", fptHeader(0xFFFFFFFF, 64) + pad(be32(1) + be32(4) + "kept", 64));
  dir.write("fine.dbt", dbt3Header(3) + pad("kept\x1A\x1A", 512));  // one block unpadded
  for (const auto& [name, format, block] :
       {std::tuple{"cut.dbt", MemoFormat::Dbt3, 1u}, std::tuple{"cut.fpt", MemoFormat::Fpt, 8u}}) {
    const std::string before = dir.read(name);
    auto m = MemoFile::open(dir.file(name), format, true);
    EXPECT_NE(m->damage().find(name), std::string::npos) << m->damage();
    EXPECT_NE(m->damage().find("超出文件末尾(文件只有"), std::string::npos) << m->damage();
    EXPECT_EQ(m->read(block), "kept");
    expectFailure([&] { m->write("more", 0, false); }, name, "超出文件末尾");
    expectFailure([&, at = block] { m->write("k", at, false); }, name, "不能写入");  // nor in place
    EXPECT_EQ(dir.read(name), before);
  }
  EXPECT_EQ(MemoFile::open(dir.file("fine.dbt"), MemoFormat::Dbt3, false)->damage(), "");
  EXPECT_NE(MemoFile::open(dir.file("cut.dbt"), MemoFormat::Dbt3, false)->damage().find("50"),
            std::string::npos);
}

// A length that the file's apparent size covers but that runs past the blocks in use is damage:
// in a sparse file it would otherwise read gigabytes of nothing.
TEST(MemoDamage, ALengthPastTheBlocksInUseIsDamageEvenInASparseFile) {
  TempDir dir;
  const uint64_t sparse = 3ull << 30;
  dir.write("s4.dbt",
            dbt4Header(3, 512) + pad(dbt4Memo("", 0x7FFFFFF0), 512) + pad(dbt4Memo("ok", 10), 512));
  dir.write("s.fpt", fptHeader(10, 64) + pad(be32(1) + be32(0x7FFFFFF0), 64) +
                         pad(be32(1) + be32(2) + "ok", 64));
  dir.write("s3.dbt", dbt3Header(2) + zeros(512) + "s\x1A");  // a memo without its terminator
  for (const char* name : {"s4.dbt", "s.fpt", "s3.dbt"})
    ASSERT_EQ(truncate(dir.file(name).c_str(), static_cast<off_t>(sparse)), 0);
  auto d = MemoFile::open(dir.file("s4.dbt"), MemoFormat::Dbt4, false);
  expectFailure([&] { d->read(1); }, "s4.dbt", "第1块的备注长度2147483632超出下一空闲块3");
  EXPECT_EQ(d->read(2), "ok");
  auto f = MemoFile::open(dir.file("s.fpt"), MemoFormat::Fpt, false);
  expectFailure([&] { f->read(8); }, "s.fpt", "超出下一空闲块10");
  EXPECT_EQ(f->read(9), "ok");
  // A terminated memo ends before the next-free block: one running on past it is damage too.
  auto s3 = MemoFile::open(dir.file("s3.dbt"), MemoFormat::Dbt3, false);
  expectFailure([&] { s3->read(1); }, "s3.dbt", "第1块的备注在下一空闲块2之前没有结束标记");
  EXPECT_EQ(s3->read(2), "s");  // past the pointer, a memo runs to its terminator
}

TEST(MemoWrite, RefusesWithoutChangingTheFile) {
  TempDir dir;
  MemoFile::create(dir.file("r.dbt"), MemoFormat::Dbt3)->write("keep", 0, false);
  const std::string before = dir.read("r.dbt");
  expectFailure(
      [&] { MemoFile::open(dir.file("r.dbt"), MemoFormat::Dbt3, false)->write("x", 1, false); },
      "r.dbt", "只读");
  auto w = MemoFile::open(dir.file("r.dbt"), MemoFormat::Dbt3, true);
  expectFailure(
      [&] {
        w->write(
            "a\x1A"
            "b",
            1, false);
      },
      "r.dbt", "0x1A");
  EXPECT_EQ(dir.read("r.dbt"), before);

  // A 4 GB file of one-byte blocks, sparse: the next block number would pass 32 bits.
  dir.write("big.fpt", fptHeader(0xFFFFFFF0, 1));
  ASSERT_EQ(truncate(dir.file("big.fpt").c_str(), 0xFFFFFFF0), 0);
  auto big = MemoFile::open(dir.file("big.fpt"), MemoFormat::Fpt, true);
  expectFailure([&] { big->write(std::string(100, 'z'), 0, false); }, "big.fpt", "已满");
  EXPECT_EQ(std::filesystem::file_size(dir.file("big.fpt")), 0xFFFFFFF0u);
}

TEST(MemoWrite, NeverOverwritesBytesItDoesNotOwn) {
  TempDir dir;
  // The header says block 2 is free, but a memo sits there: left by a crash between data and
  // header, or a free list of another program. Appends go after it.
  dir.write("s.dbt", dbt3Header(2) + pad("old\x1A\x1A", 512) + pad("live\x1A\x1A", 512));
  auto s = MemoFile::open(dir.file("s.dbt"), MemoFormat::Dbt3, true);
  EXPECT_EQ(s->write("new", 0, false), 3u);
  EXPECT_EQ(s->read(2), "live");
  // An old block that holds no sound memo is not reused: the data is appended.
  dir.write("g.fpt", fptHeader(9, 64) + pad(be32(9) + be32(0), 64));
  auto g = MemoFile::open(dir.file("g.fpt"), MemoFormat::Fpt, true);
  EXPECT_EQ(g->write("x", 8, false), 9u);
  EXPECT_EQ(g->write("y", 3, false), 10u);  // block 3 is header: never rewritten
  EXPECT_EQ(MemoFile::open(dir.file("g.fpt"), MemoFormat::Fpt, false)->read(9), "x");
}

TEST(MemoWrite, CreateReplacesTheFileAndLeavesNoTemporary) {
  TempDir dir;
  dir.write("m.fpt", "not a memo file at all");
  auto m = MemoFile::create(dir.file("m.fpt"), MemoFormat::Fpt, 512);
  EXPECT_EQ(m->write("a", 0, false), 1u);
  m->sync();
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
  EXPECT_EQ(MemoFile::open(dir.file("m.fpt"), MemoFormat::Fpt, false)->read(1), "a");
  expectFailure([&] { MemoFile::create(dir.file("n.dbt"), MemoFormat::Dbt4, 100); }, "n.dbt",
                "100");
  EXPECT_EQ(MemoFile::create(dir.file("p.dbt"), MemoFormat::Dbt4, 64)->write("a", 0, false), 1u);
  EXPECT_EQ(MemoFile::open(dir.file("p.dbt"), MemoFormat::Dbt4, false)->read(1), "a");
  expectFailure([&] { MemoFile::create(dir.file("n.fpt"), MemoFormat::Fpt, 40000); }, "n.fpt");
  EXPECT_EQ(MemoFile::create(dir.file("n.dbt"), MemoFormat::Dbt3, 64)->blockSize(), 512u);
}

}  // namespace
}  // namespace tdb
