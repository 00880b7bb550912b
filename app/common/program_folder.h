#pragma once

#include <QString>

namespace torvanel {

// The folder of the program's executable, ending with '/': the home of the settings, the project
// list and files, report templates, logos and the engine's alias file. Only start-up asks for it;
// everything below takes the folder as a parameter so that tests can use a temporary one.
QString programFolder();

}  // namespace torvanel
