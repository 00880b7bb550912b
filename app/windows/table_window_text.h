#pragma once

#include <QRect>
#include <QString>

namespace torvanel {

// The texts and the place of a table window, as the window engine gives them when it opens one.

// "数据表:[" + database + "]" + table + "(" + index + ")": the index is the table's
// IndexFieldNames when set, else its IndexName (possibly empty, giving "()").
QString tableWindowCaption(const QString& database, const QString& table,
                           const QString& indexFieldNames, const QString& indexName);

// The refusal when a table cannot be opened into a window; `table` is the table's text form
// ("[" + database + "]" + table).
QString unopenableTableText(const QString& table);

// The window list's entry for a window: "<" + slot + "> " + caption.
QString windowListEntry(int slot, const QString& caption);

// Status panel 0: record position + "/" + record count ("3/120").
QString recordPositionText(long position, long count);
// Status panel 1: "使用缓冲" while the table buffers its updates, "未用缓冲" otherwise.
QString bufferStateText(bool cachedUpdates);

// Where a new child window goes inside the main window's client area: half its width (rounded,
// halves to even) and its height less the toolbar band and 4; at the top, 100 pixels further
// right for each slot number while the client area is that wide, else at the left edge.
QRect tableWindowGeometry(int clientWidth, int clientHeight, int toolbarBandHeight, int slot);

}  // namespace torvanel
