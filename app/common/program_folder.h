#pragma once

#include <QString>

namespace torvanel {

// The folder of the program's executable, ending with '/': the home of the settings, the project
// list and files, report templates, logos and the engine's alias file. Only start-up asks for it;
// everything below takes the folder as a parameter so that tests can use a temporary one.
QString programFolder();

// `name` inside `folder` (which ends with '/').
inline QString inFolder(const QString& folder, const QString& name) { return folder + name; }

}  // namespace torvanel
