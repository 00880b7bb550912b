#pragma once

// The workbench converts through the engine's codec: one implementation for the whole system.
#include "engine/gbk_codec.h"

namespace torvanel {
using tdb::fitsGbk;
using tdb::gbkToUtf8;
using tdb::utf8ToGbk;
}  // namespace torvanel
