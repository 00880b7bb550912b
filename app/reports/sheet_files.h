#pragma once

#include <QPageLayout>
#include <QString>
#include <functional>

#include "app/reports/sheet.h"

namespace torvanel {

// Report sheets written to files. The sheets are composed one at a time by `sheetAt(i)`, i from 0
// to count - 1, so a long report never holds all its sheets at once.
using SheetSource = std::function<Sheet(int index)>;

// The paper of a sheet as an exact page size (the template's millimetres, not the nearest
// standard size) in the sheet's orientation, without margins: the sheet's own margins are on it.
QPageLayout sheetPageLayout(const Sheet& sheet);

// Writes one PDF document with one page per sheet, each page the sheet's paper. The document is
// built under a temporary name in the target's folder and renamed over `path` only when it is
// whole, so a failure leaves the old file, or none. Throws OutputError naming the file. `count`
// must be at least 1.
void writeSheetsPdf(const QString& path, int count, const SheetSource& sheetAt);

// Writes one PNG picture per sheet into `folder` (created when missing), at the layout's size,
// named "第N页.png" after the sheet's first report page, N padded with zeros to the width of
// `lastPage` (the empty layout, which has no page, is "第0页.png"). Each picture is written whole
// under a temporary name and renamed into place. Throws OutputError naming the file or folder;
// the pictures written before the failure stay. Returns the files written, in order.
QStringList writeSheetsPng(const QString& folder, int count, int lastPage,
                           const SheetSource& sheetAt);

}  // namespace torvanel
