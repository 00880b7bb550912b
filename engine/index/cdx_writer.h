#pragma once

#include <string>
#include <vector>

#include "engine/index/tag_image.h"

namespace tdb {

// Writes a FoxPro structural compound index (.cdx) holding `tags`, replacing `path` atomically
// (a crash leaves the old file or the new one, never a mix). Keys are stored as the engine
// orders them in memory; a descending tag is stored ascending with the descending mark, as
// FoxPro does. Throws EngineError naming the file when it cannot be written.
void writeCdx(const std::string& path, const std::vector<TagImage>& tags);

}  // namespace tdb
