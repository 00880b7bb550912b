#include "engine/dbf/memo_file.h"

#include "engine/dbf/memo_formats.h"
#include "engine/engine_error.h"

namespace tdb {

using namespace memo;

namespace {

std::unique_ptr<MemoFile> openAs(MemoIo io, MemoFormat format) {
  switch (format) {
    case MemoFormat::Dbt3:
      return openDbt3(std::move(io));
    case MemoFormat::Dbt4:
      return openDbt4(std::move(io));
    case MemoFormat::Fpt:
      return openFpt(std::move(io));
  }
  io.fail("的格式未知");
}

}  // namespace

MemoFile::~MemoFile() = default;

std::unique_ptr<MemoFile> MemoFile::open(const std::string& path, MemoFormat format,
                                         bool writable) {
  return openAs(MemoIo::open(path, writable), format);
}

std::unique_ptr<MemoFile> MemoFile::create(const std::string& path, MemoFormat format,
                                           uint32_t blockSize) {
  auto refuse = [&] {
    throw EngineError("备注文件[" + path + "]不能使用" + std::to_string(blockSize) + "字节的块");
  };
  std::string header;
  switch (format) {
    case MemoFormat::Dbt3:
      header = newDbt3();
      break;
    case MemoFormat::Dbt4:
      if (blockSize == 0) blockSize = 512;
      // Whatever open() takes, so a pack can rebuild any file it reads with the same blocks.
      if (blockSize % 64 != 0 || blockSize > 32768) refuse();
      header = newDbt4(blockSize, path);
      break;
    case MemoFormat::Fpt:
      if (blockSize == 0) blockSize = 64;
      if (blockSize > 32768) refuse();
      header = newFpt(blockSize);
      break;
    default:
      throw EngineError("备注文件[" + path + "]的格式未知");
  }
  return openAs(MemoIo::replace(path, header), format);
}

}  // namespace tdb
