#include "engine/paradox/px_table.h"

#include <sys/stat.h>

#include "engine/engine_error.h"
#include "engine/gbk_codec.h"

namespace tdb::px {

namespace {

Header readHeader(const PosixFile& file) {
  const uint64_t size = file.size();
  std::string fixed(kFixedHeaderSize, '\0');
  fixed.resize(file.readAt(0, fixed.data(), fixed.size()));
  if (fixed.size() < kFixedHeaderSize) return parseHeader(fixed, size, file.path());
  const uint32_t headerSize = announcedHeaderSize(fixed);
  if (headerSize <= kFixedHeaderSize || headerSize > size)
    return parseHeader(fixed, size, file.path());
  std::string bytes(headerSize, '\0');
  file.readExactly(0, bytes.data(), bytes.size());
  return parseHeader(bytes, size, file.path());
}

bool exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

std::string blobFileOf(const std::string& dbPath) {
  const size_t slash = dbPath.find_last_of('/');
  const size_t dot = dbPath.find_last_of('.');
  const std::string stem = (dot == std::string::npos || (slash != std::string::npos && dot < slash))
                               ? dbPath
                               : dbPath.substr(0, dot);
  for (const char* ext : {".MB", ".mb", ".Mb", ".mB"})
    if (exists(stem + ext)) return stem + ext;
  return {};
}

ParadoxTable::ParadoxTable(const std::string& path)
    : file_(path, PosixFile::Mode::ReadOnly), header_(readHeader(file_)), chain_(file_, header_) {
  for (const Field& f : header_.fields) defs_.add(f.def);
  if (header_.hasBlobFields()) {
    blobPath_ = blobFileOf(path);
    if (!blobPath_.empty()) blobs_ = std::make_unique<MbFile>(blobPath_);
  }
}

std::string ParadoxTable::readRecord(uint32_t recno) const {
  std::string bytes(header_.recordSize, '\0');
  file_.readExactly(chain_.recordOffset(recno), bytes.data(), bytes.size());
  return bytes;
}

Value ParadoxTable::value(const std::string& record, int field) const {
  const Field& f = header_.fields.at(static_cast<size_t>(field));
  if (record.size() < header_.recordSize)
    throw EngineError("数据表[" + path() + "]的记录缓冲区不足" +
                      std::to_string(header_.recordSize) + "字节");
  const char* p = record.data() + f.offset;
  if (!isBlobType(f.type)) return decodeField(f, p, path());
  const BlobRef ref = decodeBlobRef(f, p);
  if (ref.isNull()) return Value();
  if (ref.inRecord()) return blobValue(f, ref.leader.substr(0, ref.length));
  if (!blobs_)
    throw EngineError("数据表[" + path() + "]的字段[" + gbkToUtf8(f.name) +
                      "]的备注在MB文件中,但找不到MB文件");
  return blobValue(f, blobs_->read(ref, f.type == kGraphic));
}

}  // namespace tdb::px
