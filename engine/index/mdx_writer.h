#pragma once

#include <string>
#include <vector>

#include "engine/index/tag_image.h"

namespace tdb {

// Writes a dBASE IV production index (.mdx) holding `tags` (at most 47), replacing `path`
// atomically. `tableName` is the table file's name without folder and extension, which the
// header records. Numbers are stored as 12-byte BCD, dates as little-endian Julian doubles,
// logical keys as 1-byte character keys; a descending tag is stored in descending order.
// Throws EngineError naming the file when it cannot be written or a tag does not fit.
void writeMdx(const std::string& path, const std::vector<TagImage>& tags,
              const std::string& tableName);

}  // namespace tdb
