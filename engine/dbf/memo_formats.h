#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/byte_order.h"
#include "engine/dbf/memo_file.h"
#include "engine/dbf/memo_io.h"

namespace tdb::memo {

// Each layout: opening an existing file (checking its header), and the bytes of an empty file.
// The block sizes given to the new*() functions are already checked by MemoFile::create.
std::unique_ptr<MemoFile> openDbt3(MemoIo io);
std::string newDbt3();

std::unique_ptr<MemoFile> openDbt4(MemoIo io);
std::string newDbt4(uint32_t blockSize, const std::string& path);

std::unique_ptr<MemoFile> openFpt(MemoIo io);
std::string newFpt(uint32_t blockSize);

}  // namespace tdb::memo
