#include "Core/RunFolder.h"

#include "TestSupport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>

namespace kivari {
namespace {

namespace fs = std::filesystem;

void age(const fs::path& path) {
  const timespec old[2] = {{0, UTIME_OMIT}, {std::time(nullptr) - 60, 0}};
  utimensat(AT_FDCWD, path.c_str(), old, AT_SYMLINK_NOFOLLOW);
}

TEST(RunFolder, GoesInAPrivateRuntimeFolderElseTmp) {
  testing::TempFolder base;
  const auto runtime = base.path() / "runtime";
  fs::create_directories(runtime);
  fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
  EXPECT_EQ(runFolderParent(runtime.c_str()), runtime);
  fs::create_symlink(runtime, base.path() / "link");
  base.write("file", "x");
  for (const fs::path& unfit : {fs::path(), fs::path("relative/runtime"), base.path() / "missing",
                               base.path() / "file", base.path() / "link"}) {
    EXPECT_EQ(runFolderParent(unfit.c_str()), "/tmp") << unfit;
  }
  EXPECT_EQ(runFolderParent(nullptr), "/tmp");
  fs::permissions(runtime, fs::perms::group_write, fs::perm_options::add);
  EXPECT_EQ(runFolderParent(runtime.c_str()), "/tmp");
}

// A live run's folder, one too new to judge, and anything not a run folder
// of ours stay; a run's folder is gone with the run.
TEST(RunFolder, SweepsOnlyEndedRunsAndGoesWithItsRun) {
  testing::TempFolder parent;
  auto live = RunFolder::create(parent.path());
  ASSERT_TRUE(live);
  EXPECT_EQ(live->path().parent_path(), parent.path());
  EXPECT_EQ(thisRunFolder(), live->path());
  EXPECT_TRUE(fs::is_directory(live->cacheFolder()));
  parent.write("kivari-run-Ended1/cache/registry.bin", "x");
  parent.write("kivari-run-Fresh1/cache/registry.bin", "x");
  parent.write("kivari-run-Short/x", "x");
  parent.write("kivari-run-Longer1/x", "x");
  parent.write("kivari-run-file12", "x");
  parent.write("elsewhere/kivari-run-Inside/x", "x");
  fs::create_directory_symlink(parent.path() / "elsewhere", parent.path() / "kivari-run-Link12");
  for (const char* name :
       {"kivari-run-Ended1", "kivari-run-Short", "kivari-run-Longer1", "kivari-run-file12", "kivari-run-Link12"}) {
    age(parent.path() / name);
  }
  age(live->path());

  EXPECT_EQ(removeEndedRunFolders(parent.path()), 1u);
  EXPECT_EQ(parent.names(),
            (std::set<std::string>{live->path().filename().string(), "kivari-run-Fresh1", "kivari-run-Short",
                                   "kivari-run-Longer1", "kivari-run-file12", "kivari-run-Link12", "elsewhere"}));
  EXPECT_TRUE(fs::exists(parent.path() / "elsewhere/kivari-run-Inside/x"));

  // Another run counts while it is live or too new to tell; an ended one does not.
  EXPECT_TRUE(anotherRunUnder(parent.path(), live->path()));  // Fresh1
  fs::remove_all(parent.path() / "kivari-run-Fresh1");
  EXPECT_FALSE(anotherRunUnder(parent.path(), live->path()));
  EXPECT_TRUE(anotherRunUnder(parent.path(), {}));  // the live one, seen by anyone else
  parent.write("kivari-run-Ended2/x", "x");
  age(parent.path() / "kivari-run-Ended2");
  EXPECT_FALSE(anotherRunUnder(parent.path(), live->path()));

  const fs::path gone = live->path();
  live.reset();
  EXPECT_FALSE(fs::exists(gone));
  EXPECT_TRUE(thisRunFolder().empty());
}

// The user's environment is kept whole, as it was before the run set
// anything: what the run set, changed or added since is not in it.
TEST(RunFolder, TheUsersOwnEnvironmentIsKeptWholeForProgramsItStarts) {
  setenv("KIVARI_TEST_SET", "user", 1);
  unsetenv("KIVARI_TEST_UNSET");
  std::set<std::string> before;
  for (char** entry = environ; *entry != nullptr; ++entry) before.insert(*entry);
  setForThisRun("KIVARI_TEST_SET", "run");
  setForThisRun("KIVARI_TEST_SET", "run again");
  setForThisRun("KIVARI_TEST_UNSET", "run");
  setenv("KIVARI_TEST_LATER", "run", 1);
  EXPECT_STREQ(std::getenv("KIVARI_TEST_SET"), "run again");
  const auto& user = userEnvironment();
  EXPECT_EQ(std::set<std::string>(user.begin(), user.end()), before);
  EXPECT_EQ(user.size(), before.size());
}

}  // namespace
}  // namespace kivari
