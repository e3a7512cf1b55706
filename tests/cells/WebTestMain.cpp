#include "Cells/RunStart.h"

#include "GtkTestMain.h"
#include "WebTestSupport.h"

#include <cstdlib>

namespace kivari::testing {

namespace {
std::filesystem::path gHome;
std::filesystem::path gTemporary;
}

const std::filesystem::path& testHome() { return gHome; }

// After every cell has gone, the home and temporary folders still hold nothing at all.
class HomeStaysEmpty : public ::testing::Environment {
 public:
  void TearDown() override {
    pumpUntil([] { return webKitProcesses().empty(); }, 5000);
    for (const auto& folder : {gHome, gTemporary}) {
      const auto left = everythingUnder(folder);
      EXPECT_TRUE(left.empty()) << "left in " << folder << ": " << ::testing::PrintToString(left);
    }
  }
};

}  // namespace kivari::testing

// The tests run with home, runtime and temporary folders of their own that start empty.
int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  char base[] = "/tmp/kivari-web-XXXXXX";
  if (mkdtemp(base) == nullptr) return 1;
  kivari::testing::gHome = fs::path(base) / "home";
  const fs::path runtime = fs::path(base) / "runtime";  // as /run/user/<uid> is, outside the home
  fs::create_directories(kivari::testing::gHome);
  kivari::testing::gTemporary = fs::path(base) / "tmp";
  fs::create_directories(runtime);
  fs::create_directories(kivari::testing::gTemporary);
  fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
  g_setenv("HOME", kivari::testing::gHome.c_str(), TRUE);
  g_setenv("XDG_RUNTIME_DIR", runtime.c_str(), TRUE);
  g_setenv("TMPDIR", kivari::testing::gTemporary.c_str(), TRUE);
  for (const char* name : {"XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME"}) {
    g_unsetenv(name);
  }

  // As the program starts, before GTK reads its environment.
  auto run = kivari::startRun(runtime.c_str());
  if (!run) return 1;

  ::testing::AddGlobalTestEnvironment(new kivari::testing::HomeStaysEmpty);
  const int result = kivari::testing::runTestsInApplication(argc, argv, "org.kivari.WebTests");
  run.reset();
  std::error_code ec;
  fs::remove_all(base, ec);
  return result;
}
