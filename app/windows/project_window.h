#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "app/common/table_ref.h"

namespace torvanel {

// What a project window is built from: the project as the window engine takes it from the
// designer, in plain values (the window engine knows nothing of the designer).

inline const QString kIndexRelationType = QStringLiteral("[索引]关系");
inline const QString kLookupRelationType = QStringLiteral("[查找]关系");

// One auxiliary table of the project.
struct dataarray {
  QString database;
  QString table;
  QString relationType;  // kIndexRelationType, kLookupRelationType or empty
  QString auxKey;        // the auxiliary table's key fields ("A;B") or index expression
  QString masterFields;  // the master fields the key is matched with
  bool shown = false;    // the table gets a page of the window's lower page control
  QString lookupIndex;   // the order of a table outside an index relation
};

// One column of a display page.
struct columns {
  QString field;
  QString displayName;   // the column's title, in red
  QString promptSource;  // "[" + database + "/" + table + "]" + field, or empty
};

// A master field's formula.
struct func {
  QString field;
  QString formula;
};

struct ProjectWindowSpec {
  QString name;  // the project's name, as the caption shows it
  TableRef master;
  QStringList pagecaptions;
  // One entry per page: its columns, empty rows included; none for a page that shows every field.
  std::vector<std::vector<columns>> pagecolumns;
  std::vector<func> formulas;  // the formulas that are not empty
  std::vector<dataarray> auxdefs;
};

// A project window's formulas, bound to that window's tables. The window owns it and installs
// nothing itself: whoever makes it hooks it to the master's stores.
class WindowFormulas {
 public:
  virtual ~WindowFormulas() = default;
  // Works the formulas out into the master's record in hand, without storing it. Never throws.
  virtual void evaluate() = 0;
};

}  // namespace torvanel
