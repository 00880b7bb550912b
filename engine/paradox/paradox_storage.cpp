#include "engine/paradox/paradox_storage.h"

#include <unistd.h>
#include <cctype>

#include <filesystem>
#include <vector>

#include "engine/engine_error.h"

namespace tdb::px {

namespace {

// The xBase driver's open lock byte: far beyond any data, so no reader of the bytes is stopped.
constexpr uint64_t kOpenLock = 0x4000000000000000ull;

std::string upperExtension(const std::filesystem::path& p) {
  std::string ext = p.extension().string();
  for (char& c : ext)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return ext;
}

// The files of a Paradox table: the table, its blobs, its primary index and its secondary
// indexes (.Xnn and .Ynn), whatever the case of their extensions.
std::vector<std::string> paradoxFiles(const std::string& path) {
  namespace fs = std::filesystem;
  const fs::path table(path);
  std::vector<std::string> files;
  std::error_code error;
  for (const auto& entry :
       fs::directory_iterator(table.parent_path().empty() ? "." : table.parent_path(), error)) {
    const fs::path p = entry.path();
    if (p.stem() != table.stem()) continue;
    const std::string ext = upperExtension(p);
    const bool secondary = ext.size() == 4 && (ext[1] == 'X' || ext[1] == 'Y') &&
                           std::isxdigit(static_cast<unsigned char>(ext[2])) &&
                           std::isxdigit(static_cast<unsigned char>(ext[3]));
    if (ext == ".DB" || ext == ".MB" || ext == ".PX" || secondary) files.push_back(p.string());
  }
  return files;
}

}  // namespace

// An exclusive lock needs a file open for writing; a table the user may only read opens shared.
ParadoxStorage::ParadoxStorage(const std::string& path, bool exclusive)
    : path_(path),
      lockFile_(path, ::access(path.c_str(), W_OK) == 0 ? PosixFile::Mode::ReadWrite
                                                        : PosixFile::Mode::ReadOnly) {
  if (exclusive && !lockFile_.writable())
    throw EngineError("数据表[" + path + "]是只读的,不能独占打开");
  const auto kind = exclusive ? PosixFile::Lock::Exclusive : PosixFile::Lock::Shared;
  if (!lockFile_.tryLock(kOpenLock, kind))
    throw EngineError(exclusive ? "数据表[" + path + "]正在被使用,不能独占打开"
                                : "数据表[" + path + "]已被独占打开");
}

std::unique_ptr<ParadoxStorage> ParadoxStorage::open(const std::string& path, bool exclusive) {
  if (!std::filesystem::exists(path)) throw EngineError("数据表[" + path + "]不存在");
  std::unique_ptr<ParadoxStorage> s(new ParadoxStorage(path, exclusive));
  s->load();
  return s;
}

void ParadoxStorage::remove(const std::string& path) {
  if (!std::filesystem::exists(path)) throw EngineError("数据表[" + path + "]不存在");
  {
    PosixFile f(path, PosixFile::Mode::ReadWrite);
    if (!f.tryLock(kOpenLock, PosixFile::Lock::Exclusive))
      throw EngineError("数据表[" + path + "]正在被使用,不能删除");
  }
  for (const std::string& f : paradoxFiles(path)) std::filesystem::remove(f);
}

void ParadoxStorage::load() {
  table_ = std::make_unique<ParadoxTable>(path_);
  blockAt_ = 0;
  const Header& h = table_->header();
  keyed_ = h.keyed() && h.keyFieldCount > 0;
  indexes_.clear();
  if (keyed_) {
    IndexDef primary;
    for (uint32_t i = 0; i < h.keyFieldCount && i < h.fields.size(); ++i)
      primary.fields += (i ? ";" : "") + h.fields[i].def.name;
    primary.options = ixPrimary;
    indexes_.add(primary);
  }
}

void ParadoxStorage::refresh() { load(); }

const char* ParadoxStorage::cachedRecord(uint32_t recno) {
  if (recno < 1 || recno > table_->recordCount())
    throw EngineError("数据表[" + path_ + "]没有第" + std::to_string(recno) + "条记录");
  const Header& h = table_->header();
  const uint64_t at = table_->chain().recordOffset(recno);
  const uint64_t block = h.headerSize + (at - h.headerSize) / h.blockSize * h.blockSize;
  if (blockAt_ != block) {
    cache_.resize(h.blockSize);
    cache_.resize(lockFile_.readAt(block, cache_.data(), cache_.size()));
    blockAt_ = block;
  }
  if (at + h.recordSize > block + cache_.size())
    throw EngineError("数据表[" + path_ + "]已损坏: 第" + std::to_string(recno) + "条记录超出文件");
  return cache_.data() + (at - block);
}

void ParadoxStorage::read(uint32_t recno, RecordBuffer& buf) {
  buf.bytes.assign(cachedRecord(recno), table_->header().recordSize);
  buf.memos.clear();
}

Value ParadoxStorage::get(const RecordBuffer& buf, int field) {
  return table_->value(buf.bytes, field);
}

bool ParadoxStorage::textView(const RecordBuffer& buf, int field, std::string_view& out) const {
  const Field& f = table_->header().fields.at(static_cast<size_t>(field));
  if (f.type != kAlpha) return false;
  std::string_view text(buf.bytes.data() + f.offset, f.size);
  out = text.substr(0, text.find('\0'));  // alpha fields end at their first NUL
  return true;
}

void ParadoxStorage::cannotWrite() const {
  throw EngineError("数据表[" + path_ + "]: 本系统暂时只能读Paradox表,不能修改");
}

void ParadoxStorage::set(RecordBuffer&, int, const Value&) { cannotWrite(); }
void ParadoxStorage::blank(RecordBuffer&) { cannotWrite(); }
void ParadoxStorage::write(uint32_t, RecordBuffer&) { cannotWrite(); }
uint32_t ParadoxStorage::append(RecordBuffer&) { cannotWrite(); }
void ParadoxStorage::setDeleted(uint32_t, bool) { cannotWrite(); }
void ParadoxStorage::pack() { cannotWrite(); }

}  // namespace tdb::px
