#pragma once

#include <QString>

#include "app/shell/main_window.h"
#include "app/windows/window_engine.h"

namespace bench {

// The folder named on the command line (/tmp/tdb-bench by default), ending in '/', when it holds
// engine_bench's bench.dbf; empty, after telling the user to run engine_bench first, when not.
QString benchTableFolder(int argc, char** argv, const char* program);

// A fresh copy of bench.dbf and its companion files in `to`, for benchmarks that change it.
bool copyBenchTable(const QString& from, const QString& to);

// The main window of the workbench with its dialogs and window engine, on a scratch program
// folder named after the benchmark, shown on the offscreen platform. The caller has made the
// application and installed the dialogs service.
class OffscreenWorkbench {
 public:
  explicit OffscreenWorkbench(const char* program);
  torvanel::TForm0& main() { return main_; }
  torvanel::WindowEngine& engine() { return *engine_; }

 private:
  torvanel::TForm0 main_;
  torvanel::WindowEngine* engine_ = nullptr;
};

}  // namespace bench
