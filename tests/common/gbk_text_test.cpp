#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <csignal>

#include "app/common/file_error.h"
#include "app/common/gbk_codec.h"
#include "app/common/gbk_string.h"
#include "app/common/text_file.h"
#include "tests/support/temp_folder.h"

namespace torvanel {
namespace {

using test::TempFolder;

TEST(GbkCodec, ChineseRoundTripsThroughGbkBytes) {
  const std::string utf8 = "数据表:[DEMO]客户.DBF 取消(&C) €";
  const std::string gbk = utf8ToGbk(utf8);
  // 数 is CA FD in GBK: proof that the bytes really are GBK, not UTF-8 passed through.
  EXPECT_EQ(gbk.substr(0, 2), "\xCA\xFD");
  EXPECT_EQ(gbkToUtf8(gbk), utf8);
  EXPECT_TRUE(fitsGbk(utf8));
}

TEST(GbkCodec, BadInputIsReplacedNotDropped) {
  // A lone lead byte at the end, and a lead byte followed by an invalid trail byte.
  EXPECT_EQ(gbkToUtf8("A\x81"), "A\xEF\xBF\xBD");
  EXPECT_EQ(gbkToUtf8("\xFF"
                      "B"),
            "\xEF\xBF\xBD"
            "B");
  // A character GBK cannot hold (an emoji) becomes '?', the rest stays.
  EXPECT_EQ(utf8ToGbk("a\xF0\x9F\x98\x80"
                      "b"),
            "a?b");
  EXPECT_FALSE(fitsGbk("\xF0\x9F\x98\x80"));
  EXPECT_EQ(gbkToUtf8(""), "");
}

TEST(GbkCodec, LongTextConvertsWhole) {
  std::string utf8;
  for (int i = 0; i < 5000; ++i) utf8 += "汉字";
  EXPECT_EQ(utf8ToGbk(utf8).size(), 20000u);
  EXPECT_EQ(gbkToUtf8(utf8ToGbk(utf8)), utf8);
}

TEST(TextFile, WritesGbkLinesWithCrLfAndReadsThemBack) {
  TempFolder dir;
  const QStringList lines{QStringLiteral("项目一---客户"), QString(), QStringLiteral("abc|汇总")};
  writeGbkLines(dir.file("t.tsm"), lines);
  EXPECT_EQ(dir.read("t.tsm"), toGbk(QStringLiteral("项目一---客户\r\n\r\nabc|汇总\r\n")));
  EXPECT_EQ(readGbkLines(dir.file("t.tsm")), lines);
}

TEST(TextFile, ReadsLfOnlyAndAMissingFinalLineEnd) {
  TempFolder dir;
  dir.write("a.txt", toGbk(QStringLiteral("一\n二\r\n三")));
  EXPECT_EQ(readGbkLines(dir.file("a.txt")),
            (QStringList{QStringLiteral("一"), QStringLiteral("二"), QStringLiteral("三")}));
  dir.write("empty.txt", "");
  EXPECT_TRUE(readGbkLines(dir.file("empty.txt")).isEmpty());
}

TEST(TextFile, MissingFileThrowsNamingIt) {
  TempFolder dir;
  try {
    readGbkLines(dir.file("nope.tsm"));
    FAIL() << "no error";
  } catch (const FileError& e) {
    EXPECT_TRUE(e.text().contains(QStringLiteral("nope.tsm")));
  }
}

TEST(TextFile, FailedWriteLeavesTheOldFileWhole) {
  TempFolder dir;
  writeGbkLines(dir.file("s.tsm"), {QStringLiteral("旧内容")});
  const QByteArray before = dir.read("s.tsm");

  // A file size limit makes the write fail part-way, as a full disk would; tests run as root,
  // so permissions cannot provoke it.
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  rlimit small = old;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  QStringList big;
  for (int i = 0; i < 2000; ++i) big << QStringLiteral("新内容新内容新内容");
  bool threw = false;
  try {
    writeGbkLines(dir.file("s.tsm"), big);
  } catch (const FileError&) {
    threw = true;
  }
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);

  EXPECT_TRUE(threw);
  EXPECT_EQ(dir.read("s.tsm"), before);
  // No temporary file is left behind either.
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("s.tsm")});
}

TEST(TextFile, WriteIntoAMissingFolderThrows) {
  TempFolder dir;
  EXPECT_THROW(writeGbkLines(dir.file("no/such/folder.tsm"), {QStringLiteral("x")}), FileError);
}

}  // namespace
}  // namespace torvanel
