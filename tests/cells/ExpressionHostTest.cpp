#include "Cells/CellNetworkWall.h"
#include "Cells/ExpressionHostView.h"
#include "Cells/ManifestEntry.h"
#include "Core/RunFolder.h"

#include "../TestSupport.h"
#include "WebTestSupport.h"

#include <arpa/inet.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <iterator>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace kivari {
namespace {

using namespace testing;
namespace fs = std::filesystem;

class ExpressionHostTest : public CellWindowTest<ExpressionHostView> {
 protected:
  ExpressionHostTest() : CellWindowTest(800, 600) {}

  ExpressionHostView& open(const ExpressionManifest& manifest, const ManifestRegistry& registry) {
    return build(manifest, registry);
  }

  // A blank, see-through cell: nothing asked of the view at all.
  void expectBlank(const ExpressionHostView& view) {
    pump(300);
    EXPECT_EQ(webkit_web_view_get_uri(view.webView()), nullptr);
    EXPECT_EQ(loads->finished, 0);
    GdkRGBA color;
    webkit_web_view_get_background_color(view.webView(), &color);
    EXPECT_EQ(color.alpha, 0.0);
  }

  // The shipped calculator, opened and loaded.
  ExpressionHostView& openCalculator(const ManifestRegistry& registry) {
    const ExpressionManifest* calculator = registry.manifest("calculator");
    if (calculator == nullptr) throw std::runtime_error("no shipped calculator");
    auto& view = open(*calculator, registry);
    EXPECT_TRUE(loads->waitPast(0));
    return view;
  }
};

TEST_F(ExpressionHostTest, ShowsTheShippedCalculatorOnItsOwnBackground) {
  const ManifestRegistry registry(fs::path(KIVARI_SOURCE_DIR) / "resources");
  auto& view = openCalculator(registry);
  EXPECT_EQ(loads->failed, 0);
  EXPECT_STREQ(webkit_web_view_get_uri(view.webView()), "kivari-cell://calculator/index.html");
  EXPECT_EQ(evaluate(view.webView(), "document.title"), "Calculator");
  EXPECT_EQ(evaluate(view.webView(), "String(document.getElementById('main') !== null)"), "true");
  GdkRGBA color;
  webkit_web_view_get_background_color(view.webView(), &color);
  EXPECT_EQ(color.alpha, 0.0);

  dissolve();
  EXPECT_TRUE(pumpUntil([] { return webKitProcesses().empty(); }));
}

// A filter that cannot be compiled, here as its run folder has gone, leaves
// the cell empty and says so; the next cell compiles it anew.
TEST_F(ExpressionHostTest, WithoutItsFilterACellLoadsNothingAndSaysSo) {
  TempFolder tmp;
  tmp.write("res/Expressions/cell/index.html", "<title>cell</title>");
  const ManifestRegistry registry(tmp.path() / "res");
  const auto run = RunFolder::create(tmp.path());
  ASSERT_NE(run, nullptr);
  fs::remove(run->path());
  forgetCellFilter();
  int unsafe = 0;
  expectBlank(build(sampleManifest("cell"), registry, [&] { ++unsafe; }));
  EXPECT_EQ(unsafe, 1);

  fs::create_directory(run->path());
  auto& again = build(sampleManifest("cell"), registry, [&] { ++unsafe; });
  ASSERT_TRUE(loads->waitPast(0));
  EXPECT_EQ(evaluate(again.webView(), "document.title"), "cell");
  EXPECT_EQ(unsafe, 1);
}

// A card that lists no file access gets none: a file input shows no chooser,
// and stays empty.
TEST_F(ExpressionHostTest, APageGetsNoFileChooser) {
  const ManifestRegistry registry(fs::path(KIVARI_SOURCE_DIR) / "resources");
  auto& view = openCalculator(registry);
  const auto ask = askForAFile(view.webView());
  EXPECT_EQ(ask.asked, 1);
  EXPECT_FALSE(ask.shown);
  EXPECT_EQ(ask.files, "0");
}

// From now on this thread, and whatever it starts, can make no IPv4 or IPv6
// socket: socket() fails as if refused. There is no way back, so the test
// that uses it runs in a process of its own (see CMakeLists.txt).
void refuseInternetSockets() {
  sock_filter filter[] = {
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_socket, 0, 4),
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[0])),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AF_INET, 1, 0),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AF_INET6, 0, 1),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EACCES),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
  };
  sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
  ASSERT_EQ(prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0), 0);
  ASSERT_EQ(prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program), 0);
  ASSERT_LT(socket(AF_INET, SOCK_STREAM, 0), 0);
}

// A cell whose dead end cannot be made, here as no socket can be, loads
// nothing and says so, once.
using UnwalledHostTest = ExpressionHostTest;
TEST_F(UnwalledHostTest, WithoutItsDeadEndACellLoadsNothingAndSaysSo) {
  TempFolder tmp;
  tmp.write("res/Expressions/cell/index.html", "<title>cell</title>");
  const ManifestRegistry registry(tmp.path() / "res");
  refuseInternetSockets();
  int unsafe = 0;
  expectBlank(build(sampleManifest("cell"), registry, [&] { ++unsafe; }));
  pump(1000);
  EXPECT_EQ(webkit_web_view_get_uri(cell->webView()), nullptr);
  EXPECT_EQ(unsafe, 1);
}

// Bound without SO_REUSEADDR or SO_REUSEPORT, the dead end's port can be
// bound by no other socket, even one that sets both.
TEST(CellNetworkWall, NoOtherSocketCanTakeTheDeadEndsPort) {
  const int port = networkWallPort();
  ASSERT_GT(port, 0);
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(fd, 0);
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  setsockopt(fd, SOL_SOCKET, SO_REUSEPORT, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  EXPECT_NE(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  EXPECT_EQ(errno, EADDRINUSE);
  close(fd);
}

// res/Expressions/cell is the cell; secret.js files lie above, beside and
// behind a link. Each sets window.leaked when a page manages to run it.
class ConfinedHostTest : public ExpressionHostTest {
 protected:
  void SetUp() override {
    ExpressionHostTest::SetUp();
    const std::string secret = "window.leaked = (window.leaked || '') + 'x';";
    tmp.write("secret.js", secret);
    tmp.write("secret.html", "<title>secret</title>");
    tmp.write("outside/secret.js", secret);
    tmp.write("res/Expressions/secret.js", secret);
    tmp.write("res/Expressions/secret.html", "<title>secret</title>");
    tmp.write("res/root.html", "<title>root</title><script src='Expressions/secret.js'></script>");
    tmp.write("res/Expressions/cell/sub/own.js", "window.own = 'yes';");
    tmp.write("res/Expressions/cell/index.html",
              "<title>cell</title>"
              "<script src='sub/own.js'></script>"
              "<script src='../secret.js'></script>"
              "<script src='../../secret.js'></script>"
              "<script src='%2e%2e/secret.js'></script>"
              "<script src='out/secret.js'></script>"
              "<script src='file://" + (tmp.path() / "secret.js").string() + "'></script>"
              "<script src='kivari-cell://other/secret.js'></script>");
    fs::create_symlink(tmp.path() / "outside", cell() / "out");
    fs::create_symlink(tmp.path() / "secret.html", cell() / "link.html");
  }

  fs::path cell() const { return tmp.path() / "res" / "Expressions" / "cell"; }

  ExpressionManifest manifest(const std::string& entry) const {
    auto m = sampleManifest("cell");
    m.surface.entrypoint = entry;
    return m;
  }

  TempFolder tmp;
};

TEST_F(ConfinedHostTest, PagesReadTheirOwnFolderAndNothingElse) {
  const ManifestRegistry registry(tmp.path() / "res");
  auto& view = open(manifest("index.html"), registry);
  ASSERT_TRUE(loads->waitPast(0));
  EXPECT_EQ(evaluate(view.webView(), "document.title"), "cell");
  EXPECT_EQ(evaluate(view.webView(), "String(window.own)"), "yes");
  EXPECT_EQ(evaluate(view.webView(), "String(window.leaked)"), "undefined");
  // Nor can the page go to the disk itself.
  evaluate(view.webView(), "location.href = 'file://" + (tmp.path() / "secret.html").string() + "'");
  pump(500);
  EXPECT_EQ(evaluate(view.webView(), "document.title"), "cell");
}

TEST_F(ConfinedHostTest, RefusedOrMissingEntriesLeaveABlankSeeThroughCell) {
  const ManifestRegistry registry(tmp.path() / "res");
  for (const char* entry : {"../secret.html", "link.html", "/etc/hostname", "missing.html"}) {
    SCOPED_TRACE(entry);
    expectBlank(open(manifest(entry), registry));
  }
  // Nothing for the page to read in a folder named as the entry.
  auto& folder = open(manifest("sub"), registry);
  ASSERT_TRUE(loads->waitPast(0));
  EXPECT_EQ(evaluate(folder.webView(), "document.body ? document.body.innerHTML : ''"), "");
}

TEST_F(ConfinedHostTest, EntryMissingInTheFolderComesFromTheResourceRoot) {
  const ManifestRegistry registry(tmp.path() / "res");
  auto& view = open(manifest("root.html"), registry);
  ASSERT_TRUE(loads->waitPast(0));
  EXPECT_EQ(evaluate(view.webView(), "document.title"), "root");
  // It reads that file alone, nothing else of the resource root.
  EXPECT_EQ(evaluate(view.webView(), "String(window.leaked)"), "undefined");
}

// A loopback port that notes whoever connects and answers each at once with
// an empty 204. It watches connections, not requests: a preconnection that
// sends nothing counts as well. Each arrival is the first line it sent, or
// "(connected)".
class ConnectionCounter {
 public:
  ConnectionCounter() {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(fd_, 64) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      return;
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
  }
  ~ConnectionCounter() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (fd_ >= 0) close(fd_);
  }
  ConnectionCounter(const ConnectionCounter&) = delete;
  ConnectionCounter& operator=(const ConnectionCounter&) = delete;

  std::uint16_t port() const { return port_; }
  std::string url(const std::string& scheme, const std::string& path) const {
    return scheme + "://127.0.0.1:" + std::to_string(port_) + path;
  }
  std::vector<std::string> arrivals() const {
    std::lock_guard lock(mutex_);
    return seen_;
  }

 private:
  void serve() {
    while (!stop_) {
      pollfd waiting{fd_, POLLIN, 0};
      if (poll(&waiting, 1, 50) != 1) continue;
      const int connection = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (connection < 0) continue;
      pollfd readable{connection, POLLIN, 0};
      char buffer[1024];
      const ssize_t got = poll(&readable, 1, 500) == 1 ? recv(connection, buffer, sizeof buffer, 0) : 0;
      std::string line(buffer, got > 0 ? static_cast<std::size_t>(got) : 0);
      line = line.substr(0, line.find('\r'));
      {
        std::lock_guard lock(mutex_);
        seen_.push_back(line.empty() ? "(connected)" : line);
      }
      const std::string answer = "HTTP/1.1 204 No Content\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
      if (got > 0) send(connection, answer.data(), answer.size(), MSG_NOSIGNAL);
      close(connection);
    }
  }

  int fd_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> stop_ = false;
  mutable std::mutex mutex_;
  std::vector<std::string> seen_;
  std::thread thread_;
};

// The page tries every way out it has to a loopback server, in every scheme,
// and activates links to it; none may even connect.
TEST_F(ExpressionHostTest, APageReachesNoNetworkButLoadsItsOwnFiles) {
  ConnectionCounter server;
  ASSERT_NE(server.port(), 0);
  const auto http = [&](const std::string& path) { return server.url("http", path); };
  TempFolder tmp;
  tmp.write("res/Expressions/net/own.js", "window.own = 'yes';");
  tmp.write("res/Expressions/net/index.html",
            "<!DOCTYPE html><title>net</title>"
            "<link rel=preconnect href='" + http("/") + "'>"
            "<link rel=dns-prefetch href='" + http("/") + "'>"
            "<link rel=prefetch href='" + http("/prefetch") + "'>"
            "<link rel=stylesheet href='" + http("/style.css") + "'>"
            "<img src='" + http("/image.png") + "'>"
            "<img src='" + server.url("https", "/image.png") + "'>"
            "<iframe src='" + http("/frame") + "'></iframe>"
            "<map name=m><area id=area shape=rect coords='0,0,9,9' href='" + http("/area") + "'></map>"
            "<script src='own.js'></script>"
            "<script>"
            "const tries = [() => fetch('" + http("/?secret=42") + "').catch(() => {}),"
            "  () => fetch('" + server.url("https", "/?secret=42") + "').catch(() => {}),"
            "  () => new WebSocket('" + server.url("ws", "/socket") + "'),"
            "  () => new WebSocket('" + server.url("wss", "/socket") + "'),"
            "  () => navigator.sendBeacon('" + http("/beacon") + "', 'x'),"
            "  () => window.open('" + http("/window") + "')];"
            "for (const attempt of tries) { try { attempt(); } catch (e) {} }"
            "const link = (href, target) => { const a = document.createElement('a');"
            "  a.href = href; a.target = target; document.body.append(a); a.click(); };"
            "link('" + http("/link") + "', '');"
            "link('" + server.url("https", "/link") + "', '');"
            "link('" + http("/blank") + "', '_blank');"
            "link('http://localhost:" + std::to_string(server.port()) + "/local', '');"
            "document.getElementById('area').click();"
            "fetch('own.js').then(r => { window.served = ['Content-Security-Policy', 'X-DNS-Prefetch-Control']"
            "  .map(name => r.headers.get(name)).join(' | '); document.title = 'ran ' + window.own; });"
            "</script>");
  const ManifestRegistry registry(tmp.path() / "res");
  auto manifest = sampleManifest("net");
  manifest.capabilities = {{"Display", "Show a page"}};
  // Twice: the first cell may have to wait for its filter, the second finds it ready.
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    auto& view = open(manifest, registry);
    ASSERT_TRUE(pumpUntil([&] {
      const char* title = webkit_web_view_get_title(view.webView());
      return title != nullptr && std::string(title) == "ran yes";
    }));
    // Its files come with the cell's content security policy, and no DNS prefetching.
    EXPECT_EQ(evaluate(view.webView(), "window.served"), std::string(kCellContentSecurityPolicy) + " | off");
    // Nor may it go there itself.
    evaluate(view.webView(), "location.href = '" + http("/away") + "'");
    pump(1500);
    EXPECT_STREQ(webkit_web_view_get_uri(view.webView()), "kivari-cell://net/index.html");
    EXPECT_EQ(evaluate(view.webView(), "document.title"), "ran yes");
    const auto arrived = server.arrivals();
    EXPECT_TRUE(arrived.empty()) << ::testing::PrintToString(arrived);
    dissolve();
  }
}

}  // namespace
}  // namespace kivari
