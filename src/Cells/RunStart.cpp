#include "Cells/RunStart.h"

#include "Cells/SandboxLeftovers.h"
#include "Cells/WebSandbox.h"
#include "Core/RunFolder.h"

#include <glib.h>
#include <sys/stat.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <system_error>

namespace kivari {

namespace fs = std::filesystem;

namespace {

fs::path& dataHomeOfRun() {
  static fs::path folder;
  return folder;
}

// A data folder the web engine's sandbox can take: it binds the fonts of
// each, and one it cannot reach ends the sandbox.
bool usableDataFolder(const fs::path& folder) {
  std::error_code ec;
  return fs::is_directory(folder, ec) && !unbindablePath(folder / "fonts");
}

// The entries of a list of folders (XDG_DATA_DIRS) that are usable, in order.
std::string foldersIn(const std::string& list) {
  std::istringstream entries(list);
  std::string folders;
  for (std::string entry; std::getline(entries, entry, ':');) {
    if (usableDataFolder(entry)) folders += (folders.empty() ? "" : ":") + entry;
  }
  return folders;
}

// GTK's file chooser records each chosen file in the data home's list of
// recent files. A data home of the run's own keeps that record in the run,
// and the user's own list as it was. The user's data home is still searched,
// first, for what is read from there (icons, themes, sounds, MIME data,
// programs); fontconfig looks for fonts in the data home alone, so the
// user's are linked in. Only folders are listed, and only those whose
// fonts the web engine's sandbox can bind: it binds the fonts under each
// folder listed, and one it cannot reach (a loop, a path through a file, a
// folder the user cannot enter) ends it.
void useRunDataHome(const RunFolder& run) {
  const fs::path data = run.path() / "data";
  if (mkdir(data.c_str(), 0700) != 0) return;
  const char* own = std::getenv("XDG_DATA_HOME");
  const char* home = std::getenv("HOME");
  const fs::path user = own != nullptr && *own != '\0' ? fs::path(own)
                        : fs::path(home != nullptr && *home != '\0' ? home : g_get_home_dir()) / ".local/share";
  const char* dirs = std::getenv("XDG_DATA_DIRS");
  // GLib's own list when none is set, or none of those set is a folder (as
  // GLib itself does with an empty list).
  const std::string glibList = "/usr/local/share/:/usr/share/";
  std::string searched = foldersIn(dirs != nullptr && *dirs != '\0' ? dirs : glibList);
  if (searched.empty()) searched = foldersIn(glibList);
  std::error_code ec;
  // A folder whose name holds the list's separator is listed through a link
  // to it in the run.
  fs::path listed = user;
  if (!usableDataFolder(user)) {
    listed.clear();
  } else if (user.string().find(':') != std::string::npos) {
    listed = run.path() / "user-data";
    fs::create_directory_symlink(fs::absolute(user, ec), listed, ec);
    if (ec) listed.clear();
  }
  if (!listed.empty() && listed.string().find(':') == std::string::npos) {
    searched = listed.string() + (searched.empty() ? "" : ":") + searched;
  }
  setForThisRun("XDG_DATA_DIRS", searched);
  if (fs::is_directory(user / "fonts", ec)) fs::create_directory_symlink(user / "fonts", data / "fonts", ec);
  setForThisRun("XDG_DATA_HOME", data.string());
  dataHomeOfRun() = data;
}

}  // namespace

fs::path runDataHome() { return dataHomeOfRun(); }

std::unique_ptr<RunFolder> startRun(const char* sessionRuntime) {
  const fs::path parent = runFolderParent(sessionRuntime);
  removeEndedRunFolders(parent);
  auto run = RunFolder::create(parent);
  if (!run) return nullptr;
  setForThisRun("XDG_CACHE_HOME", run->cacheFolder().string());
  useRunDataHome(*run);
  // Without one, GLib would pick the home folder for web views' sandbox bookkeeping.
  fs::path runtime = sessionRuntime != nullptr ? sessionRuntime : "";
  if (runtime.empty()) {
    runtime = run->runtimeFolder();
    setForThisRun("XDG_RUNTIME_DIR", runtime.string());
  }
  sweepRuntime(runtime, *run);
  return run;
}

}  // namespace kivari
