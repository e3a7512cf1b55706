#include "GtkTestMain.h"
#include "WebTestSupport.h"

#include <cstdlib>

namespace kivari::testing {

namespace {
std::filesystem::path gHome;
}

const std::filesystem::path& testHome() { return gHome; }

// After every cell has gone, the home folder still holds nothing at all.
class HomeStaysEmpty : public ::testing::Environment {
 public:
  void TearDown() override {
    pumpUntil([] { return webKitProcesses().empty(); }, 5000);
    const auto left = everythingUnder(gHome);
    EXPECT_TRUE(left.empty()) << "left in the home folder: " << ::testing::PrintToString(left);
  }
};

}  // namespace kivari::testing

// The tests run with a home folder of their own that starts empty.
int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  char base[] = "/tmp/kivari-web-XXXXXX";
  if (mkdtemp(base) == nullptr) return 1;
  kivari::testing::gHome = fs::path(base) / "home";
  const fs::path runtime = fs::path(base) / "runtime";  // as /run/user/<uid> is, outside the home
  fs::create_directories(kivari::testing::gHome);
  fs::create_directories(runtime);
  fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
  g_setenv("HOME", kivari::testing::gHome.c_str(), TRUE);
  g_setenv("XDG_RUNTIME_DIR", runtime.c_str(), TRUE);
  for (const char* name : {"XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME"}) {
    g_unsetenv(name);
  }

  ::testing::AddGlobalTestEnvironment(new kivari::testing::HomeStaysEmpty);
  const int result = kivari::testing::runTestsInApplication(argc, argv, "org.kivari.WebTests");
  std::error_code ec;
  fs::remove_all(base, ec);
  return result;
}
