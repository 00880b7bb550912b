#pragma once

// The workbench writes numbers exactly as the engine shows them: one implementation for both.
#include "engine/number_text.h"

namespace torvanel {
using tdb::shortestNumberText;
}  // namespace torvanel
