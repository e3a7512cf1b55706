#include "Cells/RunStart.h"

#include "Cells/SandboxLeftovers.h"
#include "Core/RunFolder.h"

#include <glib.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <system_error>

namespace kivari {

namespace fs = std::filesystem;

namespace {

fs::path& dataHomeOfRun() {
  static fs::path folder;
  return folder;
}

// GTK's file chooser records each chosen file in the data home's list of
// recent files. A data home of the run's own keeps that record in the run,
// and the user's own list as it was. The user's data home is still searched,
// first, for what is read from there (icons, themes, sounds, MIME data,
// programs); fontconfig looks for fonts in the data home alone, so the
// user's are linked in.
void useRunDataHome(const RunFolder& run) {
  const fs::path data = run.path() / "data";
  if (mkdir(data.c_str(), 0700) != 0) return;
  const char* own = std::getenv("XDG_DATA_HOME");
  const char* home = std::getenv("HOME");
  const fs::path user = own != nullptr && *own != '\0' ? fs::path(own)
                        : fs::path(home != nullptr && *home != '\0' ? home : g_get_home_dir()) / ".local/share";
  const char* dirs = std::getenv("XDG_DATA_DIRS");
  // GLib's own list when none is set.
  const std::string searched = dirs != nullptr && *dirs != '\0' ? dirs : "/usr/local/share/:/usr/share/";
  std::error_code ec;
  // A folder whose name holds the list's separator is listed through a link
  // to it in the run.
  fs::path listed = user;
  if (user.string().find(':') != std::string::npos) {
    listed = run.path() / "user-data";
    fs::create_directory_symlink(fs::absolute(user, ec), listed, ec);
  }
  if (!ec && listed.string().find(':') == std::string::npos) {
    setForThisRun("XDG_DATA_DIRS", listed.string() + ":" + searched);
  }
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
