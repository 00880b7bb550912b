#include "app/common/program_folder.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <system_error>

namespace torvanel {

namespace fs = std::filesystem;

fs::path executableFolder() {
  std::error_code error;
  const fs::path exe = fs::read_symlink("/proc/self/exe", error);
  return error ? fs::current_path() : exe.parent_path();
}

fs::path userProgramFolder() {
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  // A relative XDG_DATA_HOME would move with the current folder; the convention says ignore it.
  if (dataHome && fs::path(dataHome).is_absolute()) return fs::path(dataHome) / "torvanel";
  const char* home = std::getenv("HOME");
  if (!home || !*home) {
    const passwd* user = getpwuid(getuid());
    home = user ? user->pw_dir : "/";
  }
  return fs::path(home) / ".local/share/torvanel";
}

namespace {

// The share folder of the installation whose bin folder is `executableFolder`; empty when it is
// not the bin folder of one.
fs::path installedShareFolder(const fs::path& executableFolder) {
  const fs::path share = executableFolder.parent_path() / "share/torvanel";
  std::error_code error;
  if (executableFolder.filename() != "bin" || !fs::is_directory(share, error)) return {};
  return share;
}

}  // namespace

fs::path prepareProgramFolder(const fs::path& executableFolder, std::string& failure) {
  failure.clear();
  const fs::path share = installedShareFolder(executableFolder);
  if (share.empty()) return executableFolder;
  const fs::path folder = userProgramFolder();
  try {
    fs::create_directories(folder);
    seedProgramFolder(folder, share);
  } catch (const fs::filesystem_error& e) {
    failure = e.what();
  }
  return folder;
}

void seedProgramFolder(const fs::path& folder, const fs::path& seed) {
  if (!fs::is_directory(seed)) return;
  for (const fs::directory_entry& entry : fs::directory_iterator(seed)) {
    const fs::path target = folder / entry.path().filename();
    if (fs::exists(fs::symlink_status(target))) continue;
    // Named after this process, so that two first starts at once do not build into one copy.
    const fs::path building =
        folder / (".seeding-" + std::to_string(getpid()) + "-" + entry.path().filename().string());
    fs::remove_all(building);
    fs::copy(entry.path(), building, fs::copy_options::recursive);
    // A second first start at the same moment may have put its copy there already: a file is
    // replaced by an identical one, a folder stays and this copy goes.
    std::error_code error;
    fs::rename(building, target, error);
    if (error) {
      fs::remove_all(building);
      if (!fs::exists(fs::symlink_status(target)))
        throw fs::filesystem_error("cannot seed the program folder", building, target, error);
    }
  }
}

}  // namespace torvanel
