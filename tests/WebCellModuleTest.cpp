#include "Shell/WebCellModule.h"

#include <gtest/gtest.h>
#include <glib.h>

#include <filesystem>
#include <fstream>

namespace kivari {
namespace {

namespace fs = std::filesystem;

class WebCellModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gchar* dir = g_dir_make_tmp("kivari-module-XXXXXX", nullptr);
    ASSERT_NE(dir, nullptr);
    folder = dir;
    g_free(dir);
  }
  void TearDown() override { fs::remove_all(folder); }
  fs::path folder;
};

// Beside the program first (the build tree), then its library folder.
TEST_F(WebCellModuleTest, LooksBesideTheProgramThenInItsLibraryFolder) {
  const auto candidates = webCellModuleCandidates("/opt/kivari/bin");
  ASSERT_EQ(candidates.size(), 2u);
  EXPECT_EQ(candidates[0], fs::path("/opt/kivari/bin/libkivari-webcells.so"));
  const std::string installed = candidates[1].lexically_normal().string();
  EXPECT_TRUE(installed.starts_with("/opt/kivari/lib/")) << installed;
  EXPECT_TRUE(installed.ends_with("/kivari/libkivari-webcells.so")) << installed;
}

// No module, or a file that is not one: no factory, and a reason a person can read.
TEST_F(WebCellModuleTest, AMissingOrBrokenModuleGivesAReasonNotACrash) {
  const auto missing = openWebCellModule(webCellModuleCandidates(folder));
  EXPECT_EQ(missing.factory, nullptr);
  EXPECT_NE(missing.error.find("libkivari-webcells.so"), std::string::npos) << missing.error;
  EXPECT_NE(missing.error.find(folder.string()), std::string::npos) << missing.error;

  std::ofstream(folder / "libkivari-webcells.so") << "not a shared object";
  const auto broken = openWebCellModule(webCellModuleCandidates(folder));
  EXPECT_EQ(broken.factory, nullptr);
  EXPECT_FALSE(broken.error.empty());

  // A real shared object that is not ours is refused by its missing entry point.
  const auto libm = fs::path("/lib/x86_64-linux-gnu/libm.so.6");
  if (fs::exists(libm)) {
    const auto foreign = openWebCellModule({libm});
    EXPECT_EQ(foreign.factory, nullptr);
    EXPECT_NE(foreign.error.find("not Kivari's web cell module"), std::string::npos) << foreign.error;
  }
}

// Opened ahead on a worker, or at once: the same answer, once, and kept.
TEST_F(WebCellModuleTest, OpeningAheadGivesTheSameAnswerAsOpeningAtOnce) {
  const fs::path file = folder / "libkivari-webcells.so";
  provideWebCellModule(file);
  const std::string atOnce = webCells().error;
  provideWebCellModule(file);
  prepareWebCells();
  prepareWebCells();  // already opening: nothing more
  EXPECT_EQ(webCells().factory, nullptr);
  EXPECT_EQ(webCells().error, atOnce);
  EXPECT_NE(atOnce.find(folder.string()), std::string::npos) << atOnce;
  provideWebCells({});
}

}  // namespace
}  // namespace kivari
