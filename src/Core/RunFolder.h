#pragma once

#include <chrono>
#include <csignal>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace kivari {

// Libraries write caches of their own into the user's cache folder under
// HOME (GStreamer its plugin registry, the event-sound library its theme
// lookups). Kivari points them at a folder of the run instead, removed when
// the run ends; what a run could not tidy (a crash, a kill) the next one
// sweeps.

// Whether `folder` can hold private files: an absolute path to a folder of
// this user that no one else may write to.
bool isPrivateFolder(const std::filesystem::path& folder);

// Where run folders go: the session's runtime folder when it is private,
// else /tmp.
std::filesystem::path runFolderParent(const char* runtimeFolder);

class RunFolder {
 public:
  // Makes <parent>/kivari-run-XXXXXX, held as in use for as long as this
  // object lives; nothing when it cannot.
  static std::unique_ptr<RunFolder> create(const std::filesystem::path& parent);
  // Removes the folder and all in it.
  ~RunFolder();
  RunFolder(const RunFolder&) = delete;
  RunFolder& operator=(const RunFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The libraries' cache folder: <run>/cache, made here.
  std::filesystem::path cacheFolder() const;
  // A runtime folder for a run without one of the session: <run>/runtime, made here.
  std::filesystem::path runtimeFolder() const;

 private:
  RunFolder(std::filesystem::path path, int lock) : path_(std::move(path)), lock_(lock) {}
  std::filesystem::path path_;
  int lock_;
};

// This process's run folder while one exists; empty otherwise.
std::filesystem::path thisRunFolder();

// Removes the run folders under `parent` that no live run holds. A folder
// changed within `settle` is left alone: a run just starting may not hold
// its own yet. Folders of other users, links and other names are never
// touched. Answers how many were removed.
std::size_t removeEndedRunFolders(const std::filesystem::path& parent,
                                  std::chrono::seconds settle = std::chrono::seconds(10));

// Whether a run of Kivari other than `own` (live, or too new to tell) has
// its folder under `parent`.
bool anotherRunUnder(const std::filesystem::path& parent, const std::filesystem::path& own);

// The environment the program was started with, whole ("NAME=value" each),
// as it was before the program set anything for itself. What is started on
// the user's behalf and outlives the run (the mail program) gets exactly
// this. Kept by the first call to either; the program keeps it first thing.
void keepUserEnvironment();
const std::vector<std::string>& userEnvironment();

// The signals that ask a run to quit: SIGINT, SIGTERM and SIGHUP.
sigset_t quitSignals();
// In a child process about to run a program for the user (the mail
// program, a system command): lets through again the quit signals that the
// run holds back in all but one of its threads. Safe between fork and exec.
void unblockQuitSignals();

// Sets an environment variable for this process and the web engine's, once
// the user's own environment is kept.
void setForThisRun(const char* name, const std::string& value);

}  // namespace kivari
