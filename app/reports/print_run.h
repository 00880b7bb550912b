#pragma once

#include <QPrinter>
#include <functional>

#include "app/reports/sheet.h"

namespace torvanel {

// The pages of a print run: report pages `first` to `last` (from 1; 0 to 0 is the empty layout),
// `across` pages on each sheet (the template's tables across), each sheet printed `copies` times.
struct PrintRange {
  int first = 1;
  int last = 1;
  int across = 1;
  int copies = 1;
};

// The sheet whose first band shows report page `current`, with no page beyond `last` on it.
using SheetComposer = std::function<Sheet(int current, int last)>;

// Told the page a sheet starts at before its job begins; returns false to stop the run there
// (the print dialog's cancel button). The printer may still be adjusted for that job.
using SheetStarting = std::function<bool(int current)>;

// Prints the range on `printer` (chosen by the caller): every sheet is a print job of its own,
// on the sheet's paper as an exact page size in its orientation, drawn at the printer's
// resolution from the layout the screen counted. A range whose first page is beyond its last
// prints nothing. Returns the number of sheets printed. Throws OutputError naming the printer
// when a job cannot begin or end; the sheets after it are not printed.
int printSheets(QPrinter& printer, const PrintRange& range, const SheetComposer& compose,
                const SheetStarting& starting = {});

}  // namespace torvanel
