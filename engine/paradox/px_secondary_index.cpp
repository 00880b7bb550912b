#include "engine/paradox/px_secondary_index.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>

#include "engine/byte_order.h"
#include "engine/companion_files.h"
#include "engine/engine_error.h"
#include "engine/gbk_codec.h"
#include "engine/paradox/px_tree.h"
#include "engine/posix_file.h"

namespace tdb::px {

namespace {

// File types: a maintained .Xnn, its .Ynn, a maintained .XGn, its .YGn; and the two kinds of .X
// file that are rebuilt on demand rather than maintained, which read the same.
constexpr uint8_t kFieldIndexData = 5;
constexpr uint8_t kFieldIndexTree = 4;
constexpr uint8_t kNamedIndexData = 8;
constexpr uint8_t kNamedIndexTree = 7;
constexpr uint8_t kFieldIndexDataOnDemand = 3;
constexpr uint8_t kNamedIndexDataOnDemand = 6;

// Header bytes that only index files use.
constexpr uint32_t kIndexFieldAt = 0x15;  // .Xnn: the number of the field that names the index
constexpr uint32_t kFlagsAt = 0x55;       // .Xnn: how the index orders its keys
constexpr uint8_t kCaseSensitive = 0x01;
constexpr uint8_t kDescending = 0x10;
constexpr uint8_t kUnique = 0x20;

constexpr size_t kMaxIndexFields = 16;
constexpr size_t kMaxNameBytes = 25;         // as long as a field name may be
constexpr uint32_t kMaxHeaderSize = 0xF800;  // the largest multiple of 2048 a 16-bit size holds
constexpr uint32_t kTreeEntryTail = 6;       // block number, records below, a spare short
constexpr uint32_t kTreeHeaderSize = 2048;
constexpr uint32_t kTreeFieldsAt = 0x58;
constexpr uint32_t kTableNameLength = 261;
constexpr char kNamedSlots[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

[[noreturn]] void damaged(const std::string& path, const std::string& what) {
  throw EngineError("辅助索引文件[" + path + "]已损坏或与数据表不符: " + what);
}

[[noreturn]] void cannotHold(const SecondaryIndex& def, const Header& table,
                             const std::string& what) {
  const std::string name = def.namedByField() && def.fields[0] < table.fields.size()
                               ? table.fields[def.fields[0]].name
                               : def.name;
  throw EngineError("不能建立辅助索引[" + shownText(name) + "]: " + what);
}

std::string fieldName(const Header& table, uint32_t pos) {
  return "[" + shownText(table.fields[pos].name) + "]";
}

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool hexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

bool namedSlot(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'); }

// True when `ext` (upper case) is an index file's extension of kind 'X' or 'Y'.
bool indexFileExtension(const std::string& ext, char kind) {
  if (ext.size() != 3 || ext[0] != kind) return false;
  if (ext[1] == 'G') return namedSlot(ext[2]);
  return hexDigit(ext[1]) && hexDigit(ext[2]);
}

bool namedExtension(const std::string& ext) { return ext.size() == 3 && ext[1] == 'G'; }

std::string otherKind(const std::string& ext, char kind) { return kind + ext.substr(1); }

// The table's path without its extension, split into folder (with its '/') and file name.
struct Stem {
  std::string folder;
  std::string name;
};

Stem stemOf(const std::string& dbPath) {
  const size_t slash = dbPath.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "" : dbPath.substr(0, slash + 1);
  std::string name = dbPath.substr(folder.size());
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos) name.erase(dot);
  return {folder, name};
}

// The index files of kind 'X' or 'Y' beside the table: upper-case extension to the paths that
// have it (more than one where names differ only in case), the best spelled first.
std::map<std::string, std::vector<std::string>> filesBeside(const std::string& dbPath, char kind) {
  std::map<std::string, std::vector<std::string>> files;
  auto wanted = [&](const std::string& ext) {
    return ext.size() == 4 && indexFileExtension(ext.substr(1), kind);
  };
  for (std::string& path : companions::beside(dbPath, wanted)) {
    std::string ext = path.substr(path.size() - 3);
    for (char& c : ext) c = upper(c);
    files[ext].push_back(std::move(path));
  }
  return files;
}

// The path for an index file with extension `ext`: the existing one, else a new upper-case name.
std::string pathFor(const std::string& dbPath, const std::string& ext,
                    const std::map<std::string, std::vector<std::string>>& existing) {
  const auto it = existing.find(ext);
  if (it != existing.end()) return it->second.front();
  const Stem stem = stemOf(dbPath);
  return stem.folder + stem.name + "." + ext;
}

std::string baseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

int versionOf(uint8_t versionByte) {
  if (versionByte == 3) return 30;
  if (versionByte == 4) return 35;
  if (versionByte >= 5 && versionByte <= 9) return 40;
  if (versionByte == 10 || versionByte == 11) return 50;
  if (versionByte == 12) return 70;
  return 0;
}

// The size byte of a field in a header: a BCD field's holds its decimals.
uint8_t sizeByte(const Field& f) {
  return static_cast<uint8_t>(f.type == kBcd ? f.decimals : f.size);
}

// The end (past the NUL) of the string at `at`, which must end before `end`; 0 when it does not.
uint32_t stringEnd(const std::string& b, uint32_t at, uint32_t end) {
  for (uint32_t i = at; i < end; ++i)
    if (b[i] == '\0') return i + 1;
  return 0;
}

SecondaryIndex readDefinition(const std::string& path, const std::string& ext,
                              const Header& table) {
  PosixFile file(path, PosixFile::Mode::ReadOnly);
  const uint64_t fileSize = file.size();
  if (fileSize < kFixedHeaderSize)
    damaged(path, "文件不足" + std::to_string(kFixedHeaderSize) + "字节");
  std::string b(kFixedHeaderSize, '\0');
  file.readExactly(0, b.data(), b.size());
  const uint32_t headerSize = getLe16(b, 0x02);
  if (headerSize < kFixedHeaderSize || headerSize > fileSize)
    damaged(path, "文件头长度" + std::to_string(headerSize) + "不对");
  b.resize(headerSize);
  file.readExactly(0, b.data(), b.size());

  const auto type = static_cast<uint8_t>(b[0x04]);
  if (type != kFieldIndexData && type != kNamedIndexData && type != kFieldIndexDataOnDemand &&
      type != kNamedIndexDataOnDemand)
    damaged(path, "文件类型" + std::to_string(type) + "不是辅助索引");
  const int version = versionOf(static_cast<uint8_t>(b[0x39]));
  if (version == 0)
    damaged(path, "不认识的版本字节" + std::to_string(static_cast<uint8_t>(b[0x39])));
  const uint32_t blockKb = static_cast<uint8_t>(b[0x05]);
  if (blockKb < 1 || blockKb > 32) damaged(path, "块大小" + std::to_string(blockKb) + "KB不对");
  const uint32_t recordSize = getLe16(b, 0x00);
  if (recordSize == 0 || recordSize > blockKb * 1024 - Header::kBlockHeaderSize)
    damaged(path, "记录长度" + std::to_string(recordSize) + "不对");

  // The index fields, the table's primary key fields, the block number.
  const uint32_t n = getLe16(b, 0x21);
  const uint32_t keyFields = table.keyFieldCount;
  if (n < keyFields + 2) damaged(path, "字段数" + std::to_string(n) + "不足以容纳主键字段和块号");
  const uint32_t m = n - keyFields - 1;
  if (m > kMaxIndexFields) damaged(path, "索引字段数" + std::to_string(m) + "超过16");

  const uint32_t fieldsAt = version >= 40 ? 0x78 : 0x58;
  const uint32_t nameLength = version >= 70 ? kTableNameLength : 79;
  const uint64_t namesAt = fieldsAt + uint64_t{n} * 6 + 4 + nameLength;
  if (namesAt > headerSize) damaged(path, "字段数" + std::to_string(n) + "超出文件头");
  uint32_t at = static_cast<uint32_t>(namesAt);
  std::vector<std::string> names(n);
  for (uint32_t i = 0; i < n; ++i) {
    const uint32_t end = stringEnd(b, at, headerSize);
    if (!end) damaged(path, "第" + std::to_string(i + 1) + "个字段的名称超出文件头");
    names[i] = b.substr(at, end - 1 - at);
    at = end;
  }
  if (uint64_t{at} + uint64_t{n} * 2 > headerSize) damaged(path, "字段号超出文件头");
  const uint32_t numbersAt = at;
  at += n * 2;
  const uint32_t sortOrderEnd = stringEnd(b, at, headerSize);
  if (!sortOrderEnd) damaged(path, "排序规则名称超出文件头");
  const uint32_t nameEnd = stringEnd(b, sortOrderEnd, headerSize);
  const bool named = namedExtension(ext);
  if (named && !nameEnd) damaged(path, "索引名称超出文件头");

  uint32_t sum = 0;
  for (uint32_t i = 0; i < n; ++i) {
    const auto t = static_cast<uint8_t>(b[fieldsAt + 2 * i]);
    sum += t == kBcd ? 17 : static_cast<uint8_t>(b[fieldsAt + 2 * i + 1]);
  }
  if (sum != recordSize)
    damaged(path, "字段长度之和" + std::to_string(sum) + "与记录长度" + std::to_string(recordSize) +
                      "不符");
  // Field i of the file must be the table's field `pos`, with its type and size.
  auto sameField = [&](uint32_t i, uint32_t pos) {
    const Field& f = table.fields[pos];
    return static_cast<uint8_t>(b[fieldsAt + 2 * i]) == f.type &&
           static_cast<uint8_t>(b[fieldsAt + 2 * i + 1]) == sizeByte(f);
  };

  SecondaryIndex def;
  for (uint32_t j = 0; j < m; ++j) {
    const uint32_t number = getLe16(b, numbersAt + 2 * j);
    if (number < 1 || number > table.fields.size())
      damaged(path, "第" + std::to_string(j + 1) + "个索引字段的字段号" + std::to_string(number) +
                        "超出数据表");
    const uint32_t pos = number - 1;
    if (std::find(def.fields.begin(), def.fields.end(), pos) != def.fields.end())
      damaged(path, "索引字段" + fieldName(table, pos) + "重复");
    if (!sameField(j, pos))
      damaged(path, "索引字段" + fieldName(table, pos) + "的类型或长度与数据表不符");
    def.fields.push_back(pos);
  }
  for (uint32_t t = 0; t < keyFields; ++t)
    if (!sameField(m + t, t))
      damaged(path, "主键字段" + fieldName(table, t) + "的类型或长度与数据表不符");
  if (static_cast<uint8_t>(b[fieldsAt + 2 * (n - 1)]) != kShort ||
      static_cast<uint8_t>(b[fieldsAt + 2 * (n - 1) + 1]) != 2)
    damaged(path, "最后一个字段[" + shownText(names[n - 1]) + "]不是块号");

  const auto flags = static_cast<uint8_t>(b[kFlagsAt]);
  def.descending = flags & kDescending;
  def.unique = flags & kUnique;
  def.extension = ext;
  if (named) {
    def.name = b.substr(sortOrderEnd, nameEnd - 1 - sortOrderEnd);
    // One field in a named file can only be a case-insensitive index: a case-sensitive one would
    // be named by its field.
    def.caseInsensitive = m == 1 || !(flags & kCaseSensitive);
  } else {
    const uint32_t number = static_cast<uint32_t>(std::stoul(ext.substr(1), nullptr, 16));
    if (m != 1 || def.fields[0] + 1 != number)
      damaged(path, "文件名表示第" + std::to_string(number) + "个字段的索引,内容却不是");
    def.name = table.fields[def.fields[0]].name;
  }
  return def;
}

// Folds the ASCII letters of an alpha field to upper case, stepping over GBK characters whole:
// their second byte may look like an ASCII letter.
void foldAscii(char* p, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) {
    const auto c = static_cast<unsigned char>(p[i]);
    if (c >= 0x81 && c <= 0xFE && i + 1 < n) {
      ++i;
    } else if (c >= 'a' && c <= 'z') {
      p[i] = static_cast<char>(c - 'a' + 'A');
    }
  }
}

// A block number or count in an index entry: an unsigned short with its top bit flipped, stored
// big-endian like the short fields it sits among.
void putEntryShort(char* p, uint32_t v) { putBe16(p, std::min<uint32_t>(v, 0xFFFF) ^ 0x8000); }

// The header size that holds the index name after the sort order name, which starts at `at`.
size_t nameRoom(const std::string& header, uint32_t at, const std::string& name) {
  const uint32_t end = stringEnd(header, at, static_cast<uint32_t>(header.size()));
  return end ? end + name.size() + 1 : header.size() + name.size() + 1;
}

// A file written beside its target and renamed onto it by commit(); removed if never committed.
class TempFile {
 public:
  explicit TempFile(std::string target)
      : target_(std::move(target)),
        temp_(target_ + ".tdb-new"),
        file_(std::make_unique<PosixFile>(temp_, PosixFile::Mode::Create)) {}
  ~TempFile() {
    if (committed_) return;
    file_.reset();
    ::unlink(temp_.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  PosixFile& file() { return *file_; }
  void finish() {
    file_->sync();
    file_.reset();
  }
  void commit() {
    if (::rename(temp_.c_str(), target_.c_str()) != 0)
      throw EngineError("文件[" + target_ + "]无法替换: " + std::string(std::strerror(errno)));
    committed_ = true;
  }

 private:
  std::string target_;
  std::string temp_;
  std::unique_ptr<PosixFile> file_;
  bool committed_ = false;
};

// The .Ynn file for the .Xnn's blocks, each given by its first entry's key and its records: the
// tree of px_tree.h under the .Ynn's own header.
std::string treeFile(const Header& table, const std::vector<Field>& keyFields, uint8_t fileType,
                     uint8_t sortOrder, const std::string& tableName,
                     const std::vector<TreeEntry>& bottom) {
  uint32_t keySize = 0;
  for (const Field& f : keyFields) keySize += f.size;
  IndexTree tree = layOutTree(bottom, keySize, table.blockSize, kTreeHeaderSize);
  if (tree.blockCount > kMaxTreeBlocks)
    throw EngineError("辅助索引[" + tableName + "]的索引树超过65535块");
  const auto blocks = static_cast<uint32_t>(tree.blockCount);

  std::string& out = tree.bytes;
  putLe16(out, 0x00, keySize + kTreeEntryTail);
  putLe16(out, 0x02, kTreeHeaderSize);
  out[0x04] = static_cast<char>(fileType);
  out[0x05] = static_cast<char>(table.maxTableSize);
  putLe32(out, 0x06, tree.entries);
  putLe16(out, 0x0A, blocks);
  putLe16(out, 0x0C, blocks);
  putLe16(out, 0x0E, blocks ? 1 : 0);
  putLe16(out, 0x10, blocks);
  putLe16(out, kTreeRootAt, tree.root);
  out[kTreeLevelsAt] = static_cast<char>(tree.levels);
  putLe16(out, 0x21, static_cast<uint32_t>(keyFields.size()));
  out[0x29] = static_cast<char>(sortOrder);
  out[0x39] = 12;  // version 7, as the .Xnn
  putLe16(out, 0x3A, blocks);
  uint32_t at = kTreeFieldsAt;
  for (const Field& f : keyFields) {
    out[at++] = static_cast<char>(f.type);
    out[at++] = static_cast<char>(sizeByte(f));
  }
  at += 4;  // the table name pointer: a memory address
  out.replace(at, std::min<size_t>(tableName.size(), kTableNameLength - 1), tableName, 0,
              kTableNameLength - 1);
  return std::move(tree.bytes);
}

}  // namespace

void checkDefinition(const Header& table, const SecondaryIndex& def) {
  if (def.fields.empty()) cannotHold(def, table, "没有索引字段");
  if (def.fields.size() > kMaxIndexFields)
    cannotHold(def, table, "索引字段有" + std::to_string(def.fields.size()) + "个,超过16个");
  for (size_t j = 0; j < def.fields.size(); ++j) {
    const uint32_t pos = def.fields[j];
    if (pos >= table.fields.size())
      cannotHold(def, table, "第" + std::to_string(j + 1) + "个索引字段超出数据表");
    if (std::find(def.fields.begin(), def.fields.begin() + j, pos) != def.fields.begin() + j)
      cannotHold(def, table, "字段" + fieldName(table, pos) + "重复");
    if (isBlobType(table.fields[pos].type))
      cannotHold(def, table, "备注或二进制字段" + fieldName(table, pos) + "不能作索引字段");
  }
  // An entry: the index fields, the primary key fields and a short block number. A tree level must
  // at least halve, or the tree would never reach a single root.
  uint32_t treeEntrySize = kTreeEntryTail;
  for (const uint32_t pos : def.fields) treeEntrySize += table.fields[pos].size;
  for (uint32_t t = 0; t < table.keyFieldCount && t < table.fields.size(); ++t)
    treeEntrySize += table.fields[t].size;
  if (treeEntrySize * 2 > table.blockSize - Header::kBlockHeaderSize)
    cannotHold(def, table, "索引项" + std::to_string(treeEntrySize) + "字节,数据块容纳不下两项");
  if (table.keyed() && def.fields[0] == 0)
    cannotHold(def, table, "不能以主键的第一个字段" + fieldName(table, 0) + "开头");
  if (def.namedByField()) {
    if (def.fields[0] + 1 > 0xFF)
      cannotHold(def, table, "第" + std::to_string(def.fields[0] + 1) + "个字段的编号超出FF");
    return;
  }
  if (def.name.empty()) cannotHold(def, table, "没有索引名称");
  if (def.name.size() > kMaxNameBytes || def.name.find('\0') != std::string::npos)
    cannotHold(def, table, "索引名称超过25字节或含有NUL");
  for (const Field& f : table.fields) {
    bool same = f.name.size() == def.name.size();
    for (size_t i = 0; same && i < f.name.size(); ++i)
      same = upper(f.name[i]) == upper(def.name[i]);
    if (same) cannotHold(def, table, "只有单字段区分大小写的索引才能与字段同名");
  }
}

std::vector<SecondaryIndex> readSecondaryIndexes(const std::string& dbPath, const Header& table) {
  std::vector<SecondaryIndex> defs;
  for (const auto& [ext, paths] : filesBeside(dbPath, 'X'))
    defs.push_back(readDefinition(paths.front(), ext, table));
  return defs;
}

std::string secondaryKey(const Header& table, const SecondaryIndex& def, const char* record) {
  std::string key;
  for (const uint32_t pos : def.fields) {
    if (pos >= table.fields.size())
      throw EngineError("辅助索引[" + shownText(def.name) + "]的字段" + std::to_string(pos + 1) +
                        "超出数据表");
    const Field& f = table.fields[pos];
    const size_t start = key.size();
    key.append(record + f.offset, f.size);
    if (def.caseInsensitive && f.type == kAlpha) foldAscii(key.data() + start, f.size);
  }
  if (def.descending)
    for (char& c : key) c = static_cast<char>(~c);
  return key;
}

std::string indexExtension(const SecondaryIndex& def, const std::vector<SecondaryIndex>& others) {
  if (def.namedByField()) {
    if (def.fields[0] + 1 > 0xFF)
      throw EngineError("第" + std::to_string(def.fields[0] + 1) +
                        "个字段的编号超出FF,不能作索引名");
    char ext[8];
    std::snprintf(ext, sizeof ext, "X%02X", def.fields[0] + 1);
    return ext;
  }
  if (namedExtension(def.extension) && indexFileExtension(def.extension, 'X')) return def.extension;
  for (const char* slot = kNamedSlots; *slot; ++slot) {
    const std::string ext = std::string("XG") + *slot;
    if (std::none_of(others.begin(), others.end(),
                     [&](const SecondaryIndex& o) { return o.extension == ext; }))
      return ext;
  }
  throw EngineError("辅助索引[" + shownText(def.name) + "]没有可用的文件名: XG0至XGZ都已占用");
}

std::string writeSecondaryIndex(
    const std::string& dbPath, const Header& table, const SecondaryIndex& def, uint32_t count,
    const std::function<void(uint32_t, std::string&, uint32_t&)>& record) {
  checkDefinition(table, def);
  const auto xFiles = filesBeside(dbPath, 'X');
  const auto yFiles = filesBeside(dbPath, 'Y');
  std::vector<SecondaryIndex> others;
  for (const auto& entry : xFiles) {
    others.emplace_back();
    others.back().extension = entry.first;
  }
  const std::string ext = indexExtension(def, others);
  const std::string xPath = pathFor(dbPath, ext, xFiles);
  const std::string yPath = pathFor(dbPath, otherKind(ext, 'Y'), yFiles);
  const bool named = namedExtension(ext);
  const std::string indexName = named ? def.name : table.fields[def.fields[0]].name;

  // The entry's fields: the index fields, the primary key fields, the block number.
  Header xh;
  xh.fileType = named ? kNamedIndexData : kFieldIndexData;
  xh.maxTableSize = table.maxTableSize;
  xh.blockSize = table.blockSize;
  xh.codePage = table.codePage;
  xh.tableName = baseName(xPath);
  std::vector<uint32_t> numbers;
  uint32_t indexSize = 0;
  for (const uint32_t pos : def.fields) {
    Field f = table.fields[pos];
    if (def.fields.size() == 1) f.name = "Sec Key";
    indexSize += f.size;
    xh.fields.push_back(f);
    numbers.push_back(pos + 1);
  }
  for (uint32_t t = 0; t < table.keyFieldCount; ++t) {
    xh.fields.push_back(table.fields[t]);
    numbers.push_back(t + 1);
  }
  Field hint;
  hint.name = "Hint";
  hint.type = kShort;
  hint.size = 2;
  xh.fields.push_back(hint);
  numbers.push_back(0);
  const uint32_t n = static_cast<uint32_t>(xh.fields.size());
  for (const Field& f : xh.fields) xh.recordSize += f.size;
  xh.keyFieldCount = n - 1;

  const uint32_t entrySize = xh.recordSize;
  const uint32_t room = table.blockSize - Header::kBlockHeaderSize;
  const uint32_t perBlock = room / entrySize;
  const uint32_t blocks = count == 0 ? 0 : (count - 1) / perBlock + 1;
  if (count > 0 && (count - 1) / perBlock + 1 > kMaxTreeBlocks)
    cannotHold(def, table, std::to_string(count) + "条记录超出索引文件65535个数据块的容量");

  // Every record's sort key and entry, side by side; then the order of the records.
  const uint32_t keySize = indexSize;
  const size_t stride = size_t{keySize} + entrySize;
  std::string rows(stride * count, '\0');
  std::string bytes;
  for (uint32_t i = 1; i <= count; ++i) {
    uint32_t block = 0;
    bytes.clear();
    record(i, bytes, block);
    if (bytes.size() < table.recordSize)
      throw EngineError("第" + std::to_string(i) + "条记录只有" + std::to_string(bytes.size()) +
                        "字节,不足记录长度" + std::to_string(table.recordSize));
    if (block < 1 || block > kMaxTreeBlocks)
      throw EngineError("第" + std::to_string(i) + "条记录的数据块号" + std::to_string(block) +
                        "不对");
    char* row = rows.data() + (i - 1) * stride;
    const std::string key = secondaryKey(table, def, bytes.data());
    std::memcpy(row, key.data(), keySize);
    char* entry = row + keySize;
    uint32_t at = 0;
    for (const uint32_t pos : def.fields) {
      const Field& f = table.fields[pos];
      std::memcpy(entry + at, bytes.data() + f.offset, f.size);
      at += f.size;
    }
    for (uint32_t t = 0; t < table.keyFieldCount; ++t) {
      const Field& f = table.fields[t];
      std::memcpy(entry + at, bytes.data() + f.offset, f.size);
      at += f.size;
    }
    putEntryShort(entry + at, block);
  }
  std::vector<uint32_t> order(count);
  for (uint32_t i = 0; i < count; ++i) order[i] = i;
  auto row = [&](uint32_t i) { return rows.data() + size_t{i} * stride; };
  // Equal keys keep table order, which in a keyed table is primary key order.
  std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
    if (const int c = std::memcmp(row(a), row(b), keySize)) return c < 0;
    return a < b;
  });
  if (def.unique)
    for (uint32_t i = 1; i < count; ++i)
      if (std::memcmp(row(order[i - 1]), row(order[i]), keySize) == 0)
        throw EngineError("不能建立唯一索引[" + shownText(indexName) + "]: 第" +
                          std::to_string(std::min(order[i - 1], order[i]) + 1) + "条和第" +
                          std::to_string(std::max(order[i - 1], order[i]) + 1) +
                          "条记录的键值相同");

  // The .Xnn header: the table layout, then the index's own bytes.
  xh.recordCount = count;
  xh.nextBlock = xh.fileBlocks = xh.lastBlock = blocks;
  xh.firstBlock = blocks ? 1 : 0;
  std::string header = encodeHeader(xh);
  if (header.size() > kMaxHeaderSize) cannotHold(def, table, "文件头超出65535字节");
  uint32_t at = 0x78 + n * 6 + 4 + kTableNameLength;
  for (const Field& f : xh.fields) at += static_cast<uint32_t>(f.name.size()) + 1;
  const uint32_t numbersAt = at;
  if (header.size() < nameRoom(header, numbersAt + n * 2, indexName)) {
    xh.headerSize = (static_cast<uint32_t>(header.size()) +
                     static_cast<uint32_t>(indexName.size()) + 1 + 2047) /
                    2048 * 2048;
    if (xh.headerSize > kMaxHeaderSize) cannotHold(def, table, "文件头超出65535字节");
    header = encodeHeader(xh);
  }
  const uint32_t sortEnd =
      stringEnd(header, numbersAt + n * 2, static_cast<uint32_t>(header.size()));
  if (!sortEnd || sortEnd + indexName.size() + 1 > header.size())
    throw EngineError("辅助索引[" + shownText(indexName) + "]的文件头无法编排");
  for (uint32_t i = 0; i < n; ++i) putLe16(header, numbersAt + 2 * i, numbers[i]);
  header.replace(sortEnd, indexName.size(), indexName);
  header[kIndexFieldAt] = static_cast<char>(named ? 0 : def.fields[0] + 1);
  header[kFlagsAt] =
      static_cast<char>((def.caseInsensitive ? 0 : kCaseSensitive) |
                        (def.descending ? kDescending : 0) | (def.unique ? kUnique : 0));

  TempFile x(xPath);
  x.file().writeAt(0, header.data(), header.size());
  std::vector<TreeEntry> bottom;
  std::string block(table.blockSize, '\0');
  for (uint32_t b = 1; b <= blocks; ++b) {
    const uint32_t start = (b - 1) * perBlock;
    const uint32_t records = std::min(perBlock, count - start);
    std::fill(block.begin(), block.end(), '\0');
    putLe16(block, 0, b < blocks ? b + 1 : 0);
    putLe16(block, 2, b - 1);
    putLe16(block, 4, (records - 1) * entrySize);
    for (uint32_t r = 0; r < records; ++r)
      std::memcpy(block.data() + Header::kBlockHeaderSize + r * entrySize,
                  row(order[start + r]) + keySize, entrySize);
    x.file().writeAt(header.size() + uint64_t{b - 1} * table.blockSize, block.data(), block.size());
    bottom.push_back({std::string(row(order[start]) + keySize, entrySize - 2), b, records});
  }
  x.finish();

  std::vector<Field> keyFields(xh.fields.begin(), xh.fields.end() - 1);
  const std::string tree = treeFile(table, keyFields, named ? kNamedIndexTree : kFieldIndexTree,
                                    static_cast<uint8_t>(header[0x29]), baseName(yPath), bottom);
  TempFile y(yPath);
  y.file().writeAt(0, tree.data(), tree.size());
  y.finish();

  x.commit();
  y.commit();
  syncFolderOf(xPath);
  return ext;
}

void removeSecondaryIndex(const std::string& dbPath, const Header& table,
                          const SecondaryIndex& def) {
  const auto xFiles = filesBeside(dbPath, 'X');
  std::string ext = def.extension;
  if (ext.empty() && def.namedByField()) ext = indexExtension(def, {});
  if (ext.empty()) {
    for (const auto& [candidate, paths] : xFiles) {
      if (!namedExtension(candidate)) continue;
      try {
        if (readDefinition(paths.front(), candidate, table).name == def.name) {
          ext = candidate;
          break;
        }
      } catch (const EngineError&) {
        // A damaged index is not the one sought by name.
      }
    }
  }
  if (ext.empty()) return;
  std::vector<std::string> doomed;
  if (auto it = xFiles.find(ext); it != xFiles.end()) doomed = it->second;
  const auto yFiles = filesBeside(dbPath, 'Y');
  if (auto it = yFiles.find(otherKind(ext, 'Y')); it != yFiles.end())
    doomed.insert(doomed.end(), it->second.begin(), it->second.end());
  for (const std::string& path : doomed)
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
      throw EngineError("文件[" + path + "]无法删除: " + std::string(std::strerror(errno)));
  if (!doomed.empty()) syncFolderOf(doomed.front());
}

}  // namespace tdb::px
