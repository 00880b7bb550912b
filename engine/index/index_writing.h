#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/index/tag_image.h"

// What the .cdx and .mdx writers share: checking the tags they are given and walking a tag's
// keys in the order a file stores them.
namespace tdb::index_writing {

// Throws EngineError naming the file and what keeps it from being written.
[[noreturn]] void fail(const std::string& path, const std::string& what);

// The tag names as the files store them, upper case (GBK trail bytes untouched). Throws when a
// name is empty, longer than `maxLength` bytes, holds a NUL, or repeats another.
std::vector<std::string> storedNames(const std::string& path, const std::vector<TagImage>& tags,
                                     size_t maxLength);

// Checks that the tag's keys agree with its definition: the key length and no record 0.
// `what` names the tag in messages.
void checkKeys(const std::string& path, const TagImage& tag, const std::string& what);

// Visits the tag's entries with their keys restored to plain bytes (a descending tag's memory
// keys are inverted). `ascending`: in ascending order of those bytes, then of record numbers,
// whatever the tag's direction; otherwise in the tag's own order (a descending tag from its
// largest key, equal keys still by record number upwards).
void forEachStored(const TagImage& tag, bool ascending,
                   const std::function<void(std::string_view key, uint32_t recno)>& visit);

}  // namespace tdb::index_writing
