#include "Core/RunFolder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <string_view>
#include <system_error>

namespace kivari {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kPrefix = "kivari-run-";

fs::path& currentRun() {
  static fs::path path;
  return path;
}

// kivari-run- and mkdtemp's six letters or digits.
bool isRunFolderName(std::string_view name) {
  if (!name.starts_with(kPrefix) || name.size() != kPrefix.size() + 6) return false;
  for (const char c : name.substr(kPrefix.size())) {
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
  }
  return true;
}

// An open handle on one of our run folders, the folder itself, never a link.
int openRunFolder(const fs::path& folder) {
  return open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

bool isOursAndSettled(int fd, std::chrono::seconds settle) {
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid()) return false;
  const std::time_t now = std::time(nullptr);
  return st.st_mtime <= now && now - st.st_mtime >= settle.count();
}

bool sameFolder(const fs::path& a, int fd) {
  struct stat sa {}, sb {};
  return !a.empty() && lstat(a.c_str(), &sa) == 0 && fstat(fd, &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

constexpr std::chrono::seconds kSettle{10};

}  // namespace

bool isPrivateFolder(const fs::path& folder) {
  if (!folder.is_absolute()) return false;
  struct stat st {};
  return lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid() &&
         (st.st_mode & (S_IWGRP | S_IWOTH)) == 0 && access(folder.c_str(), W_OK | X_OK) == 0;
}

fs::path runFolderParent(const char* runtimeFolder) {
  if (runtimeFolder != nullptr && *runtimeFolder != '\0' && isPrivateFolder(runtimeFolder)) {
    return runtimeFolder;
  }
  return "/tmp";
}

std::unique_ptr<RunFolder> RunFolder::create(const fs::path& parent) {
  std::string name = (parent / (std::string(kPrefix) + "XXXXXX")).string();
  if (mkdtemp(name.data()) == nullptr) return nullptr;
  const int lock = openRunFolder(name);
  if (lock < 0 || flock(lock, LOCK_EX | LOCK_NB) != 0) {
    if (lock >= 0) close(lock);
    rmdir(name.c_str());
    return nullptr;
  }
  currentRun() = name;
  return std::unique_ptr<RunFolder>(new RunFolder(name, lock));
}

RunFolder::~RunFolder() {
  std::error_code ec;
  fs::remove_all(path_, ec);
  close(lock_);
  if (currentRun() == path_) currentRun().clear();
}

fs::path RunFolder::cacheFolder() const {
  const fs::path folder = path_ / "cache";
  mkdir(folder.c_str(), 0700);
  return folder;
}

fs::path RunFolder::runtimeFolder() const {
  const fs::path folder = path_ / "runtime";
  mkdir(folder.c_str(), 0700);
  return folder;
}

fs::path thisRunFolder() { return currentRun(); }

namespace {

// Calls `visit` with each run folder under `parent` and a descriptor of it,
// closed afterwards, until `visit` says to stop. False when `parent` could
// not be read through.
bool forEachRunFolder(const fs::path& parent, const std::function<bool(const fs::path&, int fd)>& visit) {
  std::error_code ec;
  fs::directory_iterator it(parent, ec);
  for (const fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
    if (!isRunFolderName(it->path().filename().string())) continue;
    const int fd = openRunFolder(it->path());
    if (fd < 0) continue;
    const bool goOn = visit(it->path(), fd);
    close(fd);
    if (!goOn) return true;
  }
  return !ec;
}

}  // namespace

std::size_t removeEndedRunFolders(const fs::path& parent, std::chrono::seconds settle) {
  std::size_t removed = 0;
  forEachRunFolder(parent, [&](const fs::path& folder, int fd) {
    // A live run holds its folder's lock until it has removed the folder.
    if (isOursAndSettled(fd, settle) && flock(fd, LOCK_EX | LOCK_NB) == 0) {
      std::error_code removeError;
      fs::remove_all(folder, removeError);
      if (!removeError) ++removed;
    }
    return true;
  });
  return removed;
}

bool anotherRunUnder(const fs::path& parent, const fs::path& own) {
  bool live = false;
  const bool readThrough = forEachRunFolder(parent, [&](const fs::path&, int fd) {
    live = !sameFolder(own, fd) && (!isOursAndSettled(fd, kSettle) || flock(fd, LOCK_SH | LOCK_NB) != 0);
    return !live;
  });
  // A folder that cannot be read may hold anything.
  return live || !readThrough;
}

void keepUserEnvironment() { userEnvironment(); }

const std::vector<std::string>& userEnvironment() {
  static const std::vector<std::string> kept = [] {
    std::vector<std::string> entries;
    for (char** entry = environ; *entry != nullptr; ++entry) {
      if (std::strchr(*entry, '=') != nullptr) entries.emplace_back(*entry);
    }
    return entries;
  }();
  return kept;
}

sigset_t quitSignals() {
  sigset_t quit;
  sigemptyset(&quit);
  sigaddset(&quit, SIGINT);
  sigaddset(&quit, SIGTERM);
  sigaddset(&quit, SIGHUP);
  return quit;
}

void unblockQuitSignals() {
  const sigset_t quit = quitSignals();
  sigprocmask(SIG_UNBLOCK, &quit, nullptr);
}

void setForThisRun(const char* name, const std::string& value) {
  keepUserEnvironment();
  setenv(name, value.c_str(), 1);
}

}  // namespace kivari
