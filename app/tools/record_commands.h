#pragma once

#include <QByteArray>

namespace tdb {
class Table;
}

namespace torvanel {

class WindowEngine;

// Commands of the "表记录" menu that act on the table of the active child window; each does
// nothing when no child window is open.

// "序号定位": asks for a number and moves to that record of the window's order and filter.
void locateByNumber(WindowEngine& engine);

// "全部删除记录": deletes every record the window shows, in edit state and after asking, and
// removes them from a dBASE file for good unless the window buffers its changes.
void deleteAllRecords(WindowEngine& engine);

// "当前记录输出到文本文件": writes the current record to a text file the user names.
void recordToText(WindowEngine& engine);

// The record text: per field "name：value" in GBK, each line ending CR LF; binary fields say
// "图象字段" and a value that cannot be read leaves the line's value empty.
QByteArray recordText(tdb::Table& table);

}  // namespace torvanel
