// Browser cell figures under a real display: the time from building the cell
// to its first painted page, and what 50 open-and-dissolve cycles leave behind.
#include "Cells/BrowserExpressionView.h"
#include "LoopbackServer.h"
#include "BenchSupport.h"
#include "MainLoop.h"
#include "ProcessScan.h"

#include <gtkmm.h>
#include <libsoup/soup.h>
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace kivari::bench;

using kivari::testing::pumpUntil;

// One small page on a loopback port.
class LocalPage {
 public:
  std::string url() const { return "http://127.0.0.1:" + std::to_string(server_.port()) + "/"; }

 private:
  kivari::testing::LoopbackServer server_{[](SoupServerMessage* message, const char*) {
    static const std::string body = "<!doctype html><title>bench</title><style>body{font:16px sans-serif}</style>"
                                    "<h1>Local page</h1><p>" +
                                    std::string(2000, 'x') + "</p>";
    soup_server_message_set_status(message, 200, nullptr);
    soup_server_message_set_response(message, "text/html", SOUP_MEMORY_STATIC, body.data(), body.size());
  }};
};

int webKitProcessCount() { return static_cast<int>(kivari::testing::webKitProcesses().size()); }

struct Cell {
  std::unique_ptr<kivari::BrowserExpressionView> view;
  bool finished = false;
};

// Builds a cell in the shown window; returns ms to the finished load and to
// the first frame painted after it.
std::pair<double, double> openCell(Gtk::Box& frame, Gtk::Window& window, const std::string& url, Cell& cell) {
  const auto start = Clock::now();
  cell.finished = false;
  cell.view = std::make_unique<kivari::BrowserExpressionView>(*kivari::Url::parse(url), [] {});
  g_signal_connect(cell.view->webView(), "load-changed",
                   G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent event, gpointer data) {
                     if (event == WEBKIT_LOAD_FINISHED) static_cast<Cell*>(data)->finished = true;
                   }),
                   &cell);
  frame.append(*cell.view);
  if (!pumpUntil([&] { return cell.finished; }, 10000)) return {-1, -1};
  const double finished = msSince(start);
  untilPainted(window, [&] { cell.view->queue_draw(); });
  return {finished, msSince(start)};
}

void dissolve(Gtk::Box& frame, Cell& cell) {
  g_signal_handlers_disconnect_by_data(cell.view->webView(), &cell);
  frame.remove(*cell.view);
  cell.view.reset();
}

int run(Gtk::Window& window, Gtk::Box& frame, int cycles) {
  LocalPage page;
  Cell cell;

  std::vector<double> finishedMs, paintedMs;
  for (int i = 0; i < 10; ++i) {
    const auto [finished, painted] = openCell(frame, window, page.url(), cell);
    if (finished < 0) {
      std::fprintf(stderr, "the page did not load\n");
      return 1;
    }
    finishedMs.push_back(finished);
    paintedMs.push_back(painted);
    dissolve(frame, cell);
    pumpUntil([] { return webKitProcessCount() == 0; }, 5000);
  }
  report("cell built to page finished", finishedMs);
  report("cell built to first frame painted after it", paintedMs);

  // One cycle first, so the baseline holds GTK's and WebKit's one-time set-up.
  openCell(frame, window, page.url(), cell);
  dissolve(frame, cell);
  pumpUntil([] { return webKitProcessCount() == 0; }, 5000);
  malloc_trim(0);
  const long before = residentKiB();
  int mostProcesses = 0;
  for (int i = 0; i < cycles; ++i) {
    openCell(frame, window, page.url(), cell);
    mostProcesses = std::max(mostProcesses, webKitProcessCount());
    dissolve(frame, cell);
  }
  const auto dissolvedAt = Clock::now();
  const bool gone = pumpUntil([] { return webKitProcessCount() == 0; }, 10000);
  const double goneMs = msSince(dissolvedAt);
  pumpUntil([] { return false; }, 1000);
  malloc_trim(0);
  const long after = residentKiB();
  std::printf("%d open-and-dissolve cycles: resident %ld KiB -> %ld KiB (%+.1f MB)\n", cycles, before, after,
              (after - before) / 1024.0);
  std::printf("WebKit processes: at most %d while a cell was open; %d left %s %.0f ms after the last dissolve\n",
              mostProcesses, webKitProcessCount(), gone ? "within" : "after", goneMs);
  return gone ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const int cycles = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
  auto app = Gtk::Application::create("org.kivari.CellsBench", Gio::Application::Flags::NON_UNIQUE);
  int result = 1;
  app->signal_activate().connect([&] {
    app->hold();
    Gtk::Window window;
    Gtk::Box frame(Gtk::Orientation::VERTICAL);
    window.set_default_size(1280, 800);
    window.set_child(frame);
    window.present();
    pumpUntil([&] { return window.get_mapped(); }, 5000);
    result = run(window, frame, cycles);
    app->release();
    app->quit();
  });
  app->run(0, nullptr);
  return result;
}
