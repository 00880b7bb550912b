#pragma once

namespace tdb {

// How a table is read and written. ttDefault takes the type from the table name's extension.
enum class TableType { ttDefault, ttParadox, ttDBase, ttFoxPro, ttASCII };

}  // namespace tdb
