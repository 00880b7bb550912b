#pragma once

#include <filesystem>
#include <string>

namespace torvanel {

// The program folder holds the settings, the project list and files, report templates, logos
// and the engine's alias file. Only start-up (of the workbench and of tdb) asks where it is;
// everything below takes the folder as a parameter so that tests can use a temporary one.
//
// A program runs in its own folder (a build folder, or any folder it was copied into with its
// files), which is then the program folder, as it always was. An installed program is one whose
// executable lies in <prefix>/bin beside its share folder <prefix>/share/torvanel: its own folder
// is not the user's to write, so its program folder is the user's userProgramFolder(), seeded from
// that share folder.

// The folder of the running executable, from /proc/self/exe.
std::filesystem::path executableFolder();

// $XDG_DATA_HOME/torvanel when XDG_DATA_HOME is an absolute path, otherwise
// ~/.local/share/torvanel (the home from $HOME, or the password database without it).
std::filesystem::path userProgramFolder();

// The program folder of executables in `executableFolder`, made ready for use: the folder itself,
// unless it is an installation's bin folder; then userProgramFolder(), created when missing and
// seeded from the installation's share folder (seedProgramFolder). When the folder cannot be made
// or seeded, `failure` gets the reason and the folder is still the one to use; otherwise it is left
// empty.
std::filesystem::path prepareProgramFolder(const std::filesystem::path& executableFolder,
                                           std::string& failure);

// Copies every file and folder of `seed` that `folder` lacks, whole: each is built under a
// temporary name inside `folder` and renamed into place, so an interrupted start leaves either
// the seed's entry or nothing. An entry the folder has already is the user's and is left as it
// is, with everything inside it. A missing seed folder seeds nothing.
void seedProgramFolder(const std::filesystem::path& folder, const std::filesystem::path& seed);

}  // namespace torvanel
