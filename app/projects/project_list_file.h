#pragma once

#include <QString>
#include <QStringList>

namespace torvanel {

// A list line split at its first "---".
struct ProjectListEntry {
  QString name;
  QString master;
};

// Splits `line`; false for a line without "---" (an empty line, or one edited by hand), which
// names no project to open or modify.
bool splitListLine(const QString& line, ProjectListEntry& out);

QString listLine(const QString& name, const QString& master);

// Whether the designer adds the confirmed project to the list or replaces the selected line.
enum class DesignerMode { New, Modify };

// The list the project panel shows, in memory, with its selected line and the designer's mode.
struct ProjectList {
  QStringList lines;
  int selected = -1;  // -1: none
  DesignerMode mode = DesignerMode::New;
  bool loaded = false;  // filled from the file in this run

  // Fills the list from the file and selects the first line (none when the list is empty).
  // Throws FileError when the file cannot be read, leaving the list as it was.
  void load(const QString& programFolder);
  // The selected line, or nullptr.
  const QString* selectedLine() const;
  // Removes the selected line from memory only (the project file stays on disk). The next line,
  // or else the new last one, becomes selected.
  void removeSelected();
  // Writes the list back: rewrites the file, or deletes it when the list is empty.
  void save(const QString& programFolder) const;
};

// The project list "datatools.tsm" in the program folder: one line per project, name + "---" +
// master text, GBK with CR LF, empty lines kept as they are. The file exists only while the list
// holds a line; projects can be opened only while it exists.
namespace project_list_file {

inline constexpr const char* kFileName = "datatools.tsm";

QString path(const QString& programFolder);

bool exists(const QString& programFolder);

// Every line of the file in order, empty lines included; no lines when the file is missing.
// Throws FileError when it exists and cannot be read.
QStringList read(const QString& programFolder);

// Rewrites the file with `lines` atomically, or deletes it when `lines` is empty. Throws
// FileError and leaves the old file as it was when that fails.
void write(const QString& programFolder, const QStringList& lines);

}  // namespace project_list_file

}  // namespace torvanel
