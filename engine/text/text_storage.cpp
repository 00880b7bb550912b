#include "engine/text/text_storage.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "engine/convert.h"
#include "engine/engine_error.h"
#include "engine/gbk_codec.h"
#include "engine/table_lock.h"
#include "engine/text/delimited_codec.h"

namespace tdb::text {

namespace fs = std::filesystem;

namespace {

// The lock file's byte held while writing, beside its open lock (table_lock.h).
constexpr uint64_t kWriteLock = kTableOpenLock + 1;

// Files larger than this are no text tables anyone edits; refusing them keeps memory bounded.
constexpr off_t kMaxFileSize = off_t{1} << 31;

void readWhole(const std::string& path, std::string& bytes, struct stat& st) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) throw EngineError("数据表[" + path + "]不存在");
    throw EngineError("数据表[" + path + "]无法打开: " + std::strerror(errno));
  }
  if (::fstat(fd, &st) != 0 || st.st_size > kMaxFileSize) {
    ::close(fd);
    throw EngineError("数据表[" + path + "]无法读取或过大");
  }
  bytes.resize(static_cast<size_t>(st.st_size));
  size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int saved = errno;
      ::close(fd);
      throw EngineError("数据表[" + path + "]读取失败: " + std::strerror(saved));
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  bytes.resize(got);
  ::close(fd);
}

std::string schemaBytes(const std::string& path) {
  std::string bytes;
  struct stat st {};
  try {
    readWhole(path, bytes, st);
  } catch (const EngineError&) {
    throw EngineError("文本表结构文件[" + path + "]无法读取");
  }
  return bytes;
}

bool hasLineBreak(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

// True when `sep` occurs in `text` as a character of its own (not inside a GBK character).
bool holds(const std::string& text, char sep) {
  for (size_t i = 0; i < text.size(); i += gbkCharLength(text, i))
    if (text[i] == sep) return true;
  return false;
}

std::string typeText(const SchemaField& f) {
  return f.typeName.empty() ? schemaTypeName(f.type) : f.typeName;
}

}  // namespace

// Holds the write lock, and with it the right to replace the file, for one write.
// Inside a batch the batch holds it already, and the writes in it take it no further.
class TextStorage::WriteLock {
 public:
  explicit WriteLock(TextStorage& s) : s_(s), held_(s.lock_ && !s.batch_) {
    if (held_) s_.lock_->lock(kWriteLock, PosixFile::Lock::Exclusive);
  }
  ~WriteLock() {
    try {
      if (held_) s_.lock_->unlock(kWriteLock);
    } catch (...) {
      // Closing the lock file releases it anyway.
    }
  }
  WriteLock(const WriteLock&) = delete;
  WriteLock& operator=(const WriteLock&) = delete;

 private:
  TextStorage& s_;
  bool held_;
};

TextStorage::TextStorage(std::string path, bool exclusive)
    : path_(std::move(path)), exclusive_(exclusive) {}

std::unique_ptr<TextStorage> TextStorage::open(const std::string& path, bool exclusive) {
  std::unique_ptr<TextStorage> s(new TextStorage(path, exclusive));
  OpenLock lock = lockForOpen(path, companions::Family::Text, exclusive);
  s->lock_ = std::move(lock.file);
  s->writable_ = lock.writable;
  s->load();
  return s;
}

TextStorage::~TextStorage() {
  try {
    endBatch();
  } catch (...) {
    // A destructor must not throw; Table ends its batches itself and reports what fails.
  }
  releaseLock(lock_, path_, companions::Family::Text);
}

void TextStorage::damaged(int line, const std::string& what) const {
  throw EngineError("数据表[" + path_ + "]已损坏: 第" + std::to_string(line) + "行" + what);
}

void TextStorage::load() {
  ++loads_;
  std::string bytes;
  struct stat st {};
  readWhole(path_, bytes, st);
  const std::string schemaPath = schemaPathFor(path_);
  hasSchemaFile_ = fs::exists(schemaPath);
  if (hasSchemaFile_) {
    schema_ = parseSchema(schemaBytes(schemaPath), schemaPath);
  } else {
    schema_ = Schema{};
    schema_.tableName = fs::path(path_).stem().string();
  }
  parseRecords(bytes);
  stamp_ = {st.st_dev, st.st_ino, st.st_size,
            static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
}

void TextStorage::layOut() {
  defs_ = fieldDefsOf(schema_);
  slots_.clear();
  size_t at = 1;
  for (const SchemaField& f : schema_.fields) {
    slots_.push_back(static_cast<int>(at));
    if (f.type == FieldType::ftString)
      at += static_cast<size_t>(f.width);
    else if (f.type == FieldType::ftBoolean)
      at += 2;
    else
      at += 9;
  }
  recordLength_ = at;
}

void TextStorage::parseRecords(std::string_view bytes) {
  std::vector<Line> lines = splitLines(bytes);
  std::vector<std::string> fields;
  std::string error;
  size_t first = 0;

  if (!hasSchemaFile_) {
    // The header names the fields; each is text as wide as its longest value.
    if (lines.empty())
      throw EngineError("数据表[" + path_ + "]没有结构文件" +
                        fs::path(schemaPathFor(path_)).filename().string() + ",也没有标题行");
    schema_.separator = detectSeparator(lines, '"');
    if (!splitVarying(lines[0].text, schema_.separator, '"', fields, error))
      damaged(lines[0].number, "(标题行): " + error);
    for (size_t i = 0; i < fields.size(); ++i) {
      SchemaField f;
      f.name = std::string(fields[i]);
      while (!f.name.empty() && (f.name.back() == ' ' || f.name.back() == '\t')) f.name.pop_back();
      while (!f.name.empty() && (f.name[0] == ' ' || f.name[0] == '\t')) f.name.erase(0, 1);
      if (f.name.empty()) f.name = "FIELD" + std::to_string(i + 1);
      // A repeated name gets a number, so that every field can be found by its name.
      const std::string base = f.name;
      for (int n = 2; [&] {
             for (const SchemaField& o : schema_.fields)
               if (sameName(o.name, f.name)) return true;
             return false;
           }();
           ++n)
        f.name = base + "_" + std::to_string(n);
      f.type = FieldType::ftString;
      f.width = 1;
      schema_.fields.push_back(std::move(f));
    }
    first = 1;
    for (size_t l = 1; l < lines.size(); ++l) {
      if (!splitVarying(lines[l].text, schema_.separator, '"', fields, error))
        damaged(lines[l].number, ": " + error);
      if (fields.size() != schema_.fields.size())
        damaged(lines[l].number, "有" + std::to_string(fields.size()) + "个字段,标题行有" +
                                     std::to_string(schema_.fields.size()) + "个");
      for (size_t i = 0; i < fields.size(); ++i) {
        size_t n = fields[i].size();
        while (n > 0 && (fields[i][n - 1] == ' ' || fields[i][n - 1] == '\0')) --n;
        if (n > 32767) damaged(lines[l].number, "的字段过长");
        schema_.fields[i].width = std::max(schema_.fields[i].width, static_cast<int>(n));
      }
    }
    int offset = 0;
    for (SchemaField& f : schema_.fields) f.offset = offset, offset += f.width;
  }
  layOut();

  const bool fixed = schema_.fileType == FileType::Fixed;
  const int lineLength = schema_.lineLength();
  records_.clear();
  records_.reserve(lines.size() - first);
  for (size_t l = first; l < lines.size(); ++l) {
    const Line& line = lines[l];
    if (fixed) {
      if (line.text.size() > static_cast<size_t>(lineLength) &&
          line.text.find_first_not_of(' ', static_cast<size_t>(lineLength)) !=
              std::string_view::npos)
        damaged(line.number, "长" + std::to_string(line.text.size()) + "字节,超出结构规定的" +
                                 std::to_string(lineLength) + "字节");
    } else {
      if (!splitVarying(line.text, schema_.separator, hasSchemaFile_ ? schema_.delimiter : '"',
                        fields, error))
        damaged(line.number, ": " + error);
      if (fields.size() != schema_.fields.size())
        damaged(line.number, "有" + std::to_string(fields.size()) + "个字段,结构规定" +
                                 std::to_string(schema_.fields.size()) + "个");
    }
    std::string rec(recordLength_, '\0');
    rec[0] = ' ';
    for (size_t i = 0; i < schema_.fields.size(); ++i) {
      const SchemaField& f = schema_.fields[i];
      std::string_view text;
      if (fixed) {
        const size_t from = std::min(line.text.size(), static_cast<size_t>(f.offset));
        text = line.text.substr(from, static_cast<size_t>(f.width));
      } else {
        text = fields[i];
      }
      Value v;
      if (!parseValue(text, f, schema_.dateFormat, v))
        damaged(line.number, "字段[" + shownText(f.name) + "]的值'" + shownText(text) +
                                 "'不是有效的" + typeText(f));
      if (f.type == FieldType::ftString && !v.isNull() &&
          v.textValue().size() > static_cast<size_t>(f.width))
        damaged(line.number,
                "字段[" + shownText(f.name) + "]的值超出宽度" + std::to_string(f.width));
      encode(rec, static_cast<int>(i), v);
    }
    records_.push_back(std::move(rec));
  }
}

bool TextStorage::changedOnDisk() const {
  struct stat st {};
  if (::stat(path_.c_str(), &st) != 0) return true;
  const Stamp now{st.st_dev, st.st_ino, st.st_size,
                  static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
  return !(now == stamp_);
}

void TextStorage::catchUp(bool recordsMustStay) {
  if (!changedOnDisk()) return;
  const FieldDefs before = defs_;
  const size_t count = records_.size();
  load();
  bool same = before.count() == defs_.count();
  for (int i = 0; same && i < defs_.count(); ++i)
    same = sameName(before[i].name, defs_[i].name) && before[i].type == defs_[i].type &&
           before[i].size == defs_[i].size;
  if (!same) throw EngineError("数据表[" + path_ + "]的结构已被其他程序改变,请重新打开");
  if (recordsMustStay && records_.size() < count)
    throw EngineError("数据表[" + path_ + "]已被其他程序删除了记录,请刷新后重试");
}

void TextStorage::refresh() { catchUp(false); }

void TextStorage::requireWritable() const {
  if (!writable_) throw EngineError("数据表[" + path_ + "]是只读的");
}

void TextStorage::checkRecno(uint32_t recno) const {
  if (recno < 1 || recno > records_.size())
    throw EngineError("数据表[" + path_ + "]没有第" + std::to_string(recno) + "条记录");
}

void TextStorage::read(uint32_t recno, RecordBuffer& buf) {
  checkRecno(recno);
  buf.bytes = records_[recno - 1];
  buf.memos.clear();
}

void TextStorage::readStored(uint32_t recno, RecordBuffer& buf) {
  catchUp(false);  // another holder may have rewritten the file since it was read
  read(recno, buf);
}

bool TextStorage::isDeleted(uint32_t recno) {
  checkRecno(recno);
  return records_[recno - 1][0] == '*';
}

bool TextStorage::isDeleted(const RecordBuffer& buf) const {
  return !buf.bytes.empty() && buf.bytes[0] == '*';
}

Value TextStorage::decode(const std::string& rec, int field) const {
  const SchemaField& f = schema_.fields.at(static_cast<size_t>(field));
  const char* p = rec.data() + slots_[static_cast<size_t>(field)];
  switch (f.type) {
    case FieldType::ftString: {
      std::string_view s(p, static_cast<size_t>(f.width));
      while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.remove_suffix(1);
      return s.empty() ? Value() : Value::text(std::string(s));
    }
    case FieldType::ftBoolean:
      return p[0] ? Value::boolean(p[1] != 0) : Value();
    case FieldType::ftSmallint:
    case FieldType::ftInteger: {
      if (!p[0]) return Value();
      int64_t v;
      std::memcpy(&v, p + 1, 8);
      return Value::integer(v);
    }
    default: {
      if (!p[0]) return Value();
      double d;
      std::memcpy(&d, p + 1, 8);
      return f.type == FieldType::ftFloat ? Value::number(d) : Value::dateTime(d);
    }
  }
}

void TextStorage::encode(std::string& rec, int field, const Value& v) const {
  const SchemaField& f = schema_.fields.at(static_cast<size_t>(field));
  char* p = rec.data() + slots_[static_cast<size_t>(field)];
  switch (f.type) {
    case FieldType::ftString: {
      const std::string empty;
      const std::string& s = v.isNull() ? empty : v.textValue();
      std::memcpy(p, s.data(), s.size());
      std::memset(p + s.size(), ' ', static_cast<size_t>(f.width) - s.size());
      return;
    }
    case FieldType::ftBoolean:
      p[0] = !v.isNull();
      p[1] = !v.isNull() && v.booleanValue();
      return;
    case FieldType::ftSmallint:
    case FieldType::ftInteger: {
      p[0] = !v.isNull();
      const int64_t i = v.isNull()                         ? 0
                        : v.kind() == Value::Kind::Integer ? v.integerValue()
                                                           : static_cast<int64_t>(v.doubleValue());
      std::memcpy(p + 1, &i, 8);
      return;
    }
    default: {
      p[0] = !v.isNull();
      const double d = v.isNull()                         ? 0
                       : v.kind() == Value::Kind::Integer ? static_cast<double>(v.integerValue())
                                                          : v.doubleValue();
      std::memcpy(p + 1, &d, 8);
      return;
    }
  }
}

Value TextStorage::get(const RecordBuffer& buf, int field) {
  if (buf.bytes.size() != recordLength_)
    throw EngineError("数据表[" + path_ + "]: 记录缓冲区与表结构不符");
  return decode(buf.bytes, field);
}

bool TextStorage::textView(const RecordBuffer& buf, int field, std::string_view& out) const {
  const SchemaField& f = schema_.fields.at(static_cast<size_t>(field));
  if (f.type != FieldType::ftString || buf.bytes.size() != recordLength_) return false;
  out = std::string_view(buf.bytes.data() + slots_[static_cast<size_t>(field)],
                         static_cast<size_t>(f.width));
  return true;
}

void TextStorage::set(RecordBuffer& buf, int field, const Value& value) {
  const SchemaField& f = schema_.fields.at(static_cast<size_t>(field));
  if (buf.bytes.size() != recordLength_)
    throw EngineError("数据表[" + path_ + "]: 记录缓冲区与表结构不符");
  const std::string where = "数据表[" + path_ + "]字段[" + shownText(f.name) + "]";
  std::string text;
  const bool fixed = schema_.fileType == FileType::Fixed;
  if (!formatValue(value, f, schema_.dateFormat, fixed, text))
    throw EngineError(where + "(" + typeText(f) + ",宽度" + std::to_string(f.width) + ")放不下'" +
                      shownText(displayText(value, f.type)) + "'");
  if (f.type == FieldType::ftString && text.size() > static_cast<size_t>(f.width))
    throw EngineError(where + "放不下" + std::to_string(text.size()) + "字节的文本(宽度" +
                      std::to_string(f.width) + ")");
  if (hasLineBreak(text)) throw EngineError(where + ": 文本表的值不能含换行");
  const char delimiter = hasSchemaFile_ ? schema_.delimiter : '"';
  if (!fixed && delimiter == '\0' && holds(text, schema_.separator))
    throw EngineError(where + ": 值含分隔符,而结构文件没有规定引号字符");
  if (!fixed && !writableBeforeSeparator(text))
    throw EngineError(where + ": 值以不完整的汉字字节结尾,写出后无法读回");
  // A number is kept as the file will give it back, rounded to the schema's decimals.
  double rounded = 0;
  if (f.type == FieldType::ftFloat && f.decimals > 0 && !value.isNull() &&
      parseNumber(text, rounded))
    encode(buf.bytes, field, Value::number(rounded));
  else
    encode(buf.bytes, field, value);
}

void TextStorage::blank(RecordBuffer& buf) {
  buf.bytes.assign(recordLength_, '\0');
  buf.bytes[0] = ' ';
  buf.memos.clear();
  for (int i = 0; i < defs_.count(); ++i) encode(buf.bytes, i, Value());
}

std::string TextStorage::render() const {
  const bool fixed = schema_.fileType == FileType::Fixed;
  const char sep = schema_.separator;
  const char delimiter = hasSchemaFile_ ? schema_.delimiter : '"';
  const size_t lineLength = static_cast<size_t>(schema_.lineLength());
  std::string out;
  std::string text;
  if (!hasSchemaFile_) {
    for (size_t i = 0; i < schema_.fields.size(); ++i) {
      if (i) out += sep;
      out += quoteField(schema_.fields[i].name, sep, delimiter, false);
    }
    out += "\r\n";
  }
  for (const std::string& rec : records_) {
    if (rec[0] == '*') continue;
    std::string line = fixed ? std::string(lineLength, ' ') : std::string();
    for (size_t i = 0; i < schema_.fields.size(); ++i) {
      const SchemaField& f = schema_.fields[i];
      if (!formatValue(decode(rec, static_cast<int>(i)), f, schema_.dateFormat, fixed, text))
        throw EngineError("数据表[" + path_ + "]字段[" + shownText(f.name) + "]的值无法写出");
      if (fixed) {
        // Numbers right-aligned, as people line them up; everything else from the left.
        const size_t pad = isNumericType(f.type) ? static_cast<size_t>(f.width) - text.size() : 0;
        line.replace(static_cast<size_t>(f.offset) + pad, text.size(), text);
        continue;
      }
      if (!writableBeforeSeparator(text))
        throw EngineError("数据表[" + path_ + "]字段[" + shownText(f.name) +
                          "]的值以不完整的汉字字节结尾,写出后无法读回");
      if (i) line += sep;
      // Text is quoted when the schema file is followed; a header-line table is only quoted
      // where it must be, so it keeps looking like the file it was.
      line += quoteField(text, sep, delimiter, hasSchemaFile_ && f.type == FieldType::ftString);
    }
    if (line.empty()) line = " ";  // an empty line would be skipped when read
    out += line;
    out += "\r\n";
  }
  return out;
}

bool TextStorage::writableBeforeSeparator(std::string_view text) const {
  const char delimiter = hasSchemaFile_ ? schema_.delimiter : '"';
  return !endsInLoneLeadByte(text) ||
         !(isGbkTrailByte(schema_.separator) || (delimiter && isGbkTrailByte(delimiter)));
}

void TextStorage::beginBatch() {
  if (batch_ || !writable_) return;
  batch_ = std::make_unique<WriteLock>(*this);
  try {
    catchUp(false);
  } catch (...) {
    batch_.reset();
    throw;
  }
  batchBase_ = records_.size();
}

void TextStorage::endBatch() {
  if (!batch_) return;
  // The lock goes whatever happens; the records the batch could not store go with it.
  const std::unique_ptr<WriteLock> lock = std::move(batch_);
  if (records_.size() == batchBase_) return;
  try {
    commit(render());
  } catch (...) {
    records_.resize(batchBase_);
    throw;
  }
}

void TextStorage::commit(const std::string& bytes) {
  replaceFile(path_, bytes);
  batchBase_ = records_.size();  // a write inside a batch stores the batch's records so far
  struct stat st {};
  if (::stat(path_.c_str(), &st) == 0)
    stamp_ = {st.st_dev, st.st_ino, st.st_size,
              static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
}

uint32_t TextStorage::write(uint32_t recno, RecordBuffer& buf) {
  requireWritable();
  if (buf.bytes.size() != recordLength_)
    throw EngineError("数据表[" + path_ + "]: 记录缓冲区与表结构不符");
  WriteLock guard(*this);
  catchUp(true);
  checkRecno(recno);
  std::string old = std::move(records_[recno - 1]);
  records_[recno - 1] = buf.bytes;
  try {
    commit(render());
  } catch (...) {
    records_[recno - 1] = std::move(old);
    throw;
  }
  return recno;
}

uint32_t TextStorage::append(RecordBuffer& buf) {
  requireWritable();
  if (buf.bytes.size() != recordLength_)
    throw EngineError("数据表[" + path_ + "]: 记录缓冲区与表结构不符");
  if (records_.size() >= UINT32_MAX) throw EngineError("数据表[" + path_ + "]记录数已满");
  if (batch_) {
    records_.push_back(buf.bytes);  // written with the rest of the batch
    return static_cast<uint32_t>(records_.size());
  }
  WriteLock guard(*this);
  catchUp(false);
  records_.push_back(buf.bytes);
  try {
    commit(render());
  } catch (...) {
    records_.pop_back();
    throw;
  }
  return static_cast<uint32_t>(records_.size());
}

void TextStorage::setDeleted(uint32_t recno, bool deleted) {
  requireWritable();
  WriteLock guard(*this);
  catchUp(true);
  checkRecno(recno);
  char& mark = records_[recno - 1][0];
  const char old = mark;
  mark = deleted ? '*' : ' ';
  try {
    commit(render());
  } catch (...) {
    records_[recno - 1][0] = old;
    throw;
  }
}

void TextStorage::pack() {
  requireWritable();
  if (!exclusive_) throw EngineError("数据表[" + path_ + "]必须独占打开才能压缩(pack)");
  WriteLock guard(*this);
  std::vector<std::string> kept;
  kept.reserve(records_.size());
  for (std::string& r : records_)
    if (r[0] != '*') kept.push_back(std::move(r));
  records_.swap(kept);
  commit(render());  // the deleted records were already out of the file; this makes sure
}

void TextStorage::create(const std::string& path, const FieldDefs& defs) {
  const Schema schema = designSchema(fs::path(path).stem().string(), defs, path);
  // The schema first: a table file without it would read as a header-line table.
  replaceFile(schemaPathFor(path), formatSchema(schema));
  replaceFile(path, "");
}

}  // namespace tdb::text
