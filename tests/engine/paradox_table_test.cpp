// Paradox tables laid out byte by byte as the published format describes them, independently of
// the engine's parser: header, data block chain and blob file, read whole and damaged.

#include <gtest/gtest.h>

#include <filesystem>

#include <cstdlib>
#include <fstream>

#include "engine/engine_error.h"
#include "engine/paradox/px_codec.h"
#include "engine/paradox/px_table.h"
#include "engine/table.h"
#include "tests/engine/temp_dir.h"

namespace tdb {
namespace {

using test::TempDir;

std::string le16(uint32_t v) { return {char(v), char(v >> 8)}; }
std::string le32(uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }
void put(std::string& b, size_t at, const std::string& bytes) {
  b.replace(at, bytes.size(), bytes);
}

struct Layout {
  uint8_t versionByte = 12;
  uint8_t fileType = 2;
  uint8_t blockKb = 1;
  uint16_t codePage = 936;
  uint32_t encryption = 0;
  uint32_t headerSize = 2048;
  std::string tableName = "table.db";
  std::vector<std::tuple<std::string, uint8_t, uint8_t>> fields;  // name, type, size byte

  uint32_t recordSize() const {
    uint32_t n = 0;
    for (const auto& [name, type, size] : fields) n += type == 0x17 ? 17 : size;
    return n;
  }
  uint32_t blockSize() const { return blockKb * 1024u; }
};

std::string header(const Layout& s, uint32_t records, uint32_t blocks, uint32_t first) {
  std::string b(s.headerSize, '\0');
  const bool v4 = s.versionByte >= 5;
  put(b, 0x00, le16(s.recordSize()));
  put(b, 0x02, le16(s.headerSize));
  b[0x04] = static_cast<char>(s.fileType);
  b[0x05] = static_cast<char>(s.blockKb);
  put(b, 0x06, le32(records));
  put(b, 0x0A, le16(blocks));
  put(b, 0x0C, le16(blocks));
  put(b, 0x0E, le16(first));
  put(b, 0x10, le16(blocks));
  put(b, 0x21, le16(static_cast<uint32_t>(s.fields.size())));
  put(b, 0x25, le32(v4 ? 0xFF00FF00 : s.encryption));
  b[0x39] = static_cast<char>(s.versionByte);
  put(b, 0x49, le32(42));
  size_t at = 0x58;
  if (v4) {
    put(b, 0x5C, le32(s.encryption));
    put(b, 0x6A, le16(s.codePage));
    at = 0x78;
  }
  for (const auto& [name, type, size] : s.fields) {
    b[at++] = static_cast<char>(type);
    b[at++] = static_cast<char>(size);
  }
  at += 4 + 4 * s.fields.size();  // table name pointer, field name pointers
  put(b, at, s.tableName);
  at += s.versionByte >= 12 ? 261 : 79;
  for (const auto& [name, type, size] : s.fields) {
    put(b, at, name);
    at += name.size() + 1;
  }
  return b;
}

std::string block(const Layout& s, uint32_t next, uint32_t prev,
                  const std::vector<std::string>& records) {
  std::string b(s.blockSize(), '\0');
  put(b, 0, le16(next));
  put(b, 2, le16(prev));
  put(b, 4,
      le16(static_cast<uint32_t>((static_cast<int>(records.size()) - 1) *
                                 static_cast<int>(s.recordSize()))));
  for (size_t i = 0; i < records.size(); ++i) put(b, 6 + i * s.recordSize(), records[i]);
  return b;
}

// A record of one 4-byte long field holding `v`, as Paradox stores it.
std::string longRecord(int32_t v) {
  const uint32_t u = static_cast<uint32_t>(v) ^ 0x80000000u;
  return {char(u >> 24), char(u >> 16), char(u >> 8), char(u)};
}

Layout longTable() {
  Layout s;
  s.fields = {{"N", 0x04, 4}};
  return s;
}

// Runs `f`, which must throw an EngineError containing each of `parts`.
template <typename F>
void expectFailure(F f, const std::vector<std::string>& parts) {
  try {
    f();
    ADD_FAILURE() << "no error for " << parts.back();
  } catch (const EngineError& e) {
    for (const std::string& part : parts)
      EXPECT_NE(std::string(e.what()).find(part), std::string::npos) << e.what();
  }
}

std::vector<int64_t> allLongs(const px::ParadoxTable& t) {
  std::vector<int64_t> out;
  for (uint32_t r = 1; r <= t.recordCount(); ++r)
    out.push_back(t.value(t.readRecord(r), 0).integerValue());
  return out;
}

TEST(ParadoxTable, ReadsHeaderOfEveryVersion) {
  for (uint8_t version : {3, 4, 5, 9, 10, 11, 12}) {
    TempDir dir;
    Layout s;
    s.versionByte = version;
    s.fileType = version == 4 ? 0 : 2;
    s.fields = {
        {"\xC3\xFB\xB3\xC6", 0x01, 10}, {"N", 0x04, 4}, {"AMT", 0x17, 4}, {"MEMO", 0x0C, 15}};
    dir.write("t.db", header(s, 0, 0, 0));
    px::ParadoxTable t(dir.file("t.db"));
    const px::Header& h = t.header();
    SCOPED_TRACE(version);
    EXPECT_EQ(h.recordSize, 10u + 4 + 17 + 15);
    EXPECT_EQ(h.keyed(), version == 4);
    EXPECT_EQ(h.codePage, version >= 5 ? 936u : 0u);
    EXPECT_EQ(h.tableName, "table.db");
    EXPECT_EQ(h.autoIncrement, 42);
    EXPECT_EQ(t.recordCount(), 0u);
    ASSERT_EQ(t.fieldDefs().count(), 4);
    EXPECT_EQ(t.fieldDefs()[0].name, "\xC3\xFB\xB3\xC6");
    EXPECT_EQ(t.fieldDefs()[0].type, FieldType::ftString);
    EXPECT_EQ(t.fieldDefs()[0].size, 10);
    EXPECT_EQ(t.fieldDefs()[2].type, FieldType::ftBCD);
    EXPECT_EQ(t.fieldDefs()[2].size, 4);
    EXPECT_EQ(h.fields[2].offset, 14u);
    EXPECT_EQ(t.fieldDefs()[3].type, FieldType::ftMemo);
    EXPECT_EQ(t.fieldDefs()[3].size, 5);
  }
}

TEST(ParadoxTable, FollowsTheChainNotTheFileOrder) {
  TempDir dir;
  Layout s = longTable();
  // Chain 2 -> 3 -> 1, with an empty block in the middle.
  std::string file = header(s, 5, 3, 2);
  file += block(s, 0, 3, {longRecord(4), longRecord(5)});
  file += block(s, 3, 0, {longRecord(1), longRecord(2), longRecord(3)});
  file += block(s, 1, 2, {});
  dir.write("t.db", file);
  px::ParadoxTable t(dir.file("t.db"));
  EXPECT_EQ(allLongs(t), (std::vector<int64_t>{1, 2, 3, 4, 5}));
  EXPECT_EQ(t.chain().place(4).block, 1u);
  EXPECT_EQ(t.chain().place(4).slot, 0u);
  EXPECT_EQ(t.chain().place(3).block, 2u);
  EXPECT_EQ(t.chain().place(3).slot, 2u);
  EXPECT_THROW(t.chain().place(6), EngineError);
}

TEST(ParadoxTable, AKeyedTableOpensInKeyOrderBehindTheCursor) {
  TempDir dir;
  Layout s = longTable();
  s.fileType = 0;
  std::string file = header(s, 3, 1, 1);
  put(file, 0x23, le16(1));  // one key field: N
  file += block(s, 0, 0, {longRecord(-7), longRecord(2), longRecord(30)});
  dir.write("keyed.db", file);

  Table t;
  t.setDatabaseName(dir.path());
  t.setTableName("keyed.db");
  t.open();
  ASSERT_EQ(t.indexDefs().count(), 1);
  EXPECT_EQ(t.indexDefs()[0].name, "");
  EXPECT_EQ(t.indexDefs()[0].fields, "N");
  EXPECT_EQ(t.indexDefs()[0].options, unsigned(ixPrimary));
  t.setIndexFieldNames("n");  // the key: the records lie in its order already
  std::vector<int64_t> seen;
  for (t.first(); !t.eof(); t.next()) seen.push_back(t.fieldByName("N").value().integerValue());
  EXPECT_EQ(seen, (std::vector<int64_t>{-7, 2, 30}));
  EXPECT_THROW(t.setIndexFieldNames("N;N"), EngineError);
  // A new record goes where its key puts it, in a table another program made; a repeated key
  // is refused.
  t.append();
  t.fieldByName("N").setValue(Value::integer(5));
  t.post();
  EXPECT_EQ(t.recNo(), 3);
  t.append();
  t.fieldByName("N").setValue(Value::integer(2));
  EXPECT_THROW(t.post(), EngineError);
  t.cancel();
  seen.clear();
  for (t.first(); !t.eof(); t.next()) seen.push_back(t.fieldByName("N").value().integerValue());
  EXPECT_EQ(seen, (std::vector<int64_t>{-7, 2, 5, 30}));
  t.close();
  Table other;
  other.setDatabaseName(dir.path());
  other.setTableName("keyed.db");
  other.setExclusive(true);
  other.open();
  EXPECT_THROW(t.deleteTable(), EngineError);  // in use
  other.close();
  dir.write("keyed.MB", "");
  dir.write("keyed.X02", "");
  t.deleteTable();
  EXPECT_FALSE(std::filesystem::exists(dir.file("keyed.db")));
  EXPECT_FALSE(std::filesystem::exists(dir.file("keyed.MB")));
  EXPECT_FALSE(std::filesystem::exists(dir.file("keyed.X02")));
}

// Version 3 headers keep no change stamp: a shared holder's own changes must not look like
// another holder's, which would refuse every change by record number after the first.
TEST(ParadoxTable, AVersion3TableTakesChangeAfterChangeInASharedOpen) {
  TempDir dir;
  Layout s = longTable();
  s.versionByte = 3;
  dir.write("old.db",
            header(s, 3, 1, 1) + block(s, 0, 0, {longRecord(1), longRecord(2), longRecord(3)}));
  Table t;
  t.setDatabaseName(dir.path());
  t.setTableName("old.db");
  t.open();
  for (int n = 0; n < 2; ++n) {
    t.first();
    t.moveBy(n + 1);
    t.edit();
    t.fieldByName("N").setValue(Value::integer(20 + n));
    t.post();
  }
  t.first();
  t.deleteRecord();
  t.close();
  px::ParadoxTable file(dir.file("old.db"));
  ASSERT_EQ(file.recordCount(), 2u);
  EXPECT_EQ(file.value(file.readRecord(1), 0), Value::integer(20));
  EXPECT_EQ(file.value(file.readRecord(2), 0), Value::integer(21));
}

TEST(ParadoxTable, RefusesDamagedHeaders) {
  TempDir dir;
  const Layout good = longTable();
  auto refused = [&](std::string bytes, const std::string& detail) {
    dir.write("bad.db", bytes);
    expectFailure([&] { px::ParadoxTable t(dir.file("bad.db")); }, {dir.file("bad.db"), detail});
  };
  refused(std::string(40, '\0'), "不足");
  std::string b = header(good, 0, 0, 0);
  b[0x39] = 2;
  refused(b, "版本字节0x02");
  b = header(good, 0, 0, 0);
  b[0x04] = 1;
  refused(b, "文件类型1");
  b = header(good, 0, 0, 0);
  b[0x05] = 0;
  refused(b, "块大小");
  b = header(good, 0, 0, 0);
  put(b, 0x02, le16(4096));
  refused(b, "文件头长度4096");
  b = header(good, 0, 0, 0);
  put(b, 0x00, le16(5));
  refused(b, "字段长度之和4与记录长度5不符");
  b = header(good, 0, 0, 0);
  put(b, 0x21, le16(400));
  refused(b, "超出文件头");
  b = header(good, 0, 0, 0);
  b[0x78] = 0x11;
  refused(b, "类型0x11不认识");
  b = header(good, 0, 0, 0);
  b[0x79] = 2;
  put(b, 0x00, le16(2));
  refused(b, "长度应为4");
  b = header(good, 0, 0, 0);
  put(b, 0x5C, le32(0x12345678));
  refused(b, "已加密");
  b = header(good, 0, 0, 0);
  put(b, 0x06, le32(1));
  refused(b, "记录数1超过0个数据块");
  // A field name that runs to the end of the header.
  b = header(good, 0, 0, 0);
  b.replace(0x78 + 2 + 8 + 261, 2048 - (0x78 + 2 + 8 + 261), 2048 - (0x78 + 2 + 8 + 261), 'x');
  refused(b, "名称超出文件头");
}

TEST(ParadoxTable, RefusesDamagedChains) {
  TempDir dir;
  const Layout s = longTable();
  auto refused = [&](const std::string& bytes, const std::string& detail) {
    dir.write("bad.db", bytes);
    expectFailure([&] { px::ParadoxTable t(dir.file("bad.db")); }, {dir.file("bad.db"), detail});
  };
  // A loop: 1 -> 2 -> 1.
  refused(header(s, 2, 2, 1) + block(s, 2, 0, {longRecord(1)}) + block(s, 1, 1, {longRecord(2)}),
          "成环");
  refused(header(s, 1, 1, 1) + block(s, 1, 0, {longRecord(1)}), "成环");
  // A prior link that does not point back is a writer stopped between two links, not damage.
  dir.write("lagging.db",
            header(s, 2, 2, 1) + block(s, 2, 0, {longRecord(1)}) + block(s, 0, 5, {longRecord(2)}));
  EXPECT_EQ(px::ParadoxTable(dir.file("lagging.db")).recordCount(), 2u);
  // A next block beyond the file, and a truncated last block.
  refused(header(s, 1, 2, 1) + block(s, 2, 0, {longRecord(1)}), "数据块2超出文件");
  std::string truncated = header(s, 1, 1, 1) + block(s, 0, 0, {longRecord(1)});
  truncated.resize(truncated.size() - 1);
  refused(truncated, "数据块1超出文件");
  // More records in a block than it holds, a length that is no multiple of the record.
  std::string b = header(s, 1, 1, 1) + block(s, 0, 0, {longRecord(1)});
  put(b, 2048 + 4, le16(4 * 300));
  refused(b, "超出块的容量");
  put(b, 2048 + 4, le16(3));
  refused(b, "不是记录长度的整数倍");
  // A header count the chain does not have: a writer stopped between a block and the header.
  // The blocks hold the records, so they count.
  dir.write("behind.db", header(s, 2, 1, 1) + block(s, 0, 0, {longRecord(1)}));
  EXPECT_EQ(px::ParadoxTable(dir.file("behind.db")).recordCount(), 1u);
}

std::string mbHeader() { return std::string(4096, '\0'); }

// A blob block of its own at chunk `chunk`.
std::string singleBlob(const std::string& data, uint16_t mod) {
  const uint32_t chunks = static_cast<uint32_t>((9 + data.size() + 4095) / 4096);
  std::string b = std::string(1, '\x02') + le16(chunks) + le32(static_cast<uint32_t>(data.size())) +
                  le16(mod) + data;
  b.resize(chunks * 4096, '\0');
  return b;
}

// A suballocated block holding `blobs` in slots 0, 1, ...
std::string subBlock(const std::vector<std::string>& blobs) {
  std::string b(4096, '\0');
  b[0] = 3;
  put(b, 1, le16(1));
  uint32_t paragraph = 21;
  for (size_t i = 0; i < blobs.size(); ++i) {
    const uint32_t n = static_cast<uint32_t>(blobs[i].size());
    const std::string slot = {char(paragraph), char((n + 15) / 16), char(i + 1), 0,
                              char(n % 16 ? n % 16 : 16)};
    put(b, 12 + i * 5, slot);
    put(b, paragraph * 16, blobs[i]);
    paragraph += (n + 15) / 16;
  }
  return b;
}

std::string blobField(const std::string& leader, uint32_t leaderSize, uint32_t offset,
                      uint8_t index, uint32_t length) {
  std::string f = leader.substr(0, std::min<size_t>(leader.size(), leaderSize));
  f.resize(leaderSize, '\0');
  return f + le32(offset | index) + le32(length) + le16(1);
}

TEST(ParadoxTable, ReadsBlobsFromRecordAndBlobFile) {
  TempDir dir;
  Layout s;
  s.blockKb = 2;
  s.fields = {{"MEMO", 0x0C, 14}, {"PIC", 0x10, 10}, {"BIN", 0x0D, 10}};
  const std::string big(5000, 'b');
  const std::string gbk = "\xD6\xD0\xCE\xC4\xD6\xD0\xCE\xC4\xD6\xD0\xCE\xC4";  // 中文中文中文
  const std::string picture = std::string(8, '\x7F') + "PNG...";
  std::string mb = mbHeader() + singleBlob(big, 1) + subBlock({gbk, picture, "x"});
  const uint32_t sub = 4096 * 3;
  auto record = [&](const std::string& memo, const std::string& pic, const std::string& bin) {
    return memo + pic + bin;
  };
  const std::vector<std::string> records = {
      record(blobField("abc", 4, 0, 0, 3),
             blobField("", 0, sub, 1, static_cast<uint32_t>(picture.size())),
             blobField("", 0, 4096, 0xFF, 5000)),
      record(blobField(gbk, 4, sub, 0, static_cast<uint32_t>(gbk.size())),
             blobField("", 0, 0, 0, 0), blobField("", 0, sub, 2, 1)),
  };
  dir.write("t.db", header(s, 2, 1, 1) + block(s, 0, 0, records));
  dir.write("t.MB", mb);
  px::ParadoxTable t(dir.file("t.db"));
  EXPECT_EQ(t.blobPath(), dir.file("t.MB"));
  const std::string r1 = t.readRecord(1), r2 = t.readRecord(2);
  EXPECT_EQ(t.value(r1, 0), Value::text("abc"));
  EXPECT_EQ(t.value(r1, 1), Value::bytes("PNG..."));
  EXPECT_EQ(t.value(r1, 2), Value::bytes(big));
  EXPECT_EQ(t.value(r2, 0), Value::text(gbk));
  EXPECT_EQ(t.value(r2, 1), Value());
  EXPECT_EQ(t.value(r2, 2), Value::bytes("x"));

  // Pointers that lead astray, each refused naming the blob file.
  auto refusedBlob = [&](const std::string& field, const std::string& detail) {
    dir.write("t.db",
              header(s, 1, 1, 1) +
                  block(s, 0, 0, {field + blobField("", 0, 0, 0, 0) + blobField("", 0, 0, 0, 0)}));
    px::ParadoxTable bad(dir.file("t.db"));
    expectFailure([&] { bad.value(bad.readRecord(1), 0); }, {"t.MB", detail});
  };
  refusedBlob(blobField("abcd", 4, 4096, 0xFF, 4999), "长度5000与记录中的4999不符");
  refusedBlob(blobField("abcd", 4, 4096, 3, 5000), "序号不是0xFF");
  refusedBlob(blobField("abcd", 4, sub, 5, 40), "分块是空的");
  refusedBlob(blobField("abcd", 4, sub, 70, 40), "超出64");
  refusedBlob(blobField("abcd", 4, sub, 0, 13), "与记录中的13不符");
  refusedBlob(blobField("abcd", 4, 4096 * 9, 0xFF, 50), "超出文件");
  refusedBlob(blobField("abcd", 4, 256, 0xFF, 50), "不是4096的正整数倍");
  // A block claiming more than the file has.
  std::string shortMb = mbHeader() + singleBlob(big, 1);
  shortMb.resize(4096 + 3000);
  dir.write("t.MB", shortMb);
  refusedBlob(blobField("abcd", 4, 4096, 0xFF, 5000), "超出其块或文件");
  // No blob file at all.
  std::remove(dir.file("t.MB").c_str());
  dir.write("t.db", header(s, 1, 1, 1) + block(s, 0, 0, {records[0]}));
  px::ParadoxTable alone(dir.file("t.db"));
  EXPECT_EQ(alone.value(alone.readRecord(1), 0), Value::text("abc"));
  expectFailure([&] { alone.value(alone.readRecord(1), 2); }, {"找不到MB文件"});
}

// Writes the tables above into $PX_SEED_DIR as fuzz seeds (input: 4-byte length, .DB, .MB).
TEST(ParadoxTable, WritesFuzzSeedsOnRequest) {
  const char* out = std::getenv("PX_SEED_DIR");
  if (!out) GTEST_SKIP() << "PX_SEED_DIR not set";
  auto seed = [&](const std::string& name, const std::string& db, const std::string& mb) {
    std::ofstream(std::string(out) + "/" + name, std::ios::binary)
        << le32(static_cast<uint32_t>(db.size())) + db + mb;
  };
  Layout s = longTable();
  seed("chain",
       header(s, 5, 3, 2) + block(s, 0, 3, {longRecord(4), longRecord(5)}) +
           block(s, 3, 0, {longRecord(1), longRecord(2), longRecord(3)}) + block(s, 1, 2, {}),
       "");
  Layout v3 = longTable();
  v3.versionByte = 3;
  seed("version3", header(v3, 1, 1, 1) + block(v3, 0, 0, {longRecord(7)}), "");
  Layout b;
  b.fields = {{"MEMO", 0x0C, 14}, {"PIC", 0x10, 10}};
  const std::string picture = std::string(8, '\x7F') + "PNG...";
  seed("blobs",
       header(b, 2, 1, 1) +
           block(b, 0, 0,
                 {blobField("abc", 4, 0, 0, 3) + blobField("", 0, 4096 * 2, 1, 14),
                  blobField("", 4, 4096, 0xFF, 3000) + blobField("", 0, 4096 * 2, 0, 12)}),
       mbHeader() + singleBlob(std::string(3000, 'q'), 1) +
           subBlock({std::string(12, 'g'), picture}));
}

}  // namespace
}  // namespace tdb
