// Browser cell figures under a real display: the time from building the cell
// to its first painted page, and what 50 open-and-dissolve cycles leave behind;
// with `first`, Allow to the first painted page of a fresh process's first
// browser cell on the desktop, the web engine's loading included.
// The bench does not link the web engine: it reaches the web view as a widget.
#include "BenchSupport.h"
#include "Core/AppState.h"
#include "LoopbackServer.h"
#include "MainLoop.h"
#include "ProcessScan.h"
#include "Shell/CellLayer.h"
#include "Shell/ContentView.h"
#include "Shell/WebCellModule.h"
#include "Ui/Style.h"

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
#include <string_view>
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

// WEBKIT_LOAD_FINISHED of the web view's "load-changed".
constexpr int kLoadFinished = 3;

GtkWidget* findWebView(GtkWidget* root) {
  if (root == nullptr) return nullptr;
  if (std::string_view(G_OBJECT_TYPE_NAME(root)) == "WebKitWebView") return root;
  for (GtkWidget* c = gtk_widget_get_first_child(root); c != nullptr; c = gtk_widget_get_next_sibling(c)) {
    if (GtkWidget* hit = findWebView(c)) return hit;
  }
  return nullptr;
}

void watchLoad(GtkWidget* view, bool& finished) {
  g_signal_connect(view, "load-changed", G_CALLBACK(+[](GtkWidget*, int event, gpointer data) {
                     if (event == kLoadFinished) *static_cast<bool*>(data) = true;
                   }),
                   &finished);
}

kivari::AppStateServices browserOnly(const std::string& url) {
  kivari::AppStateServices services;
  services.classify = [url](const std::string&, const kivari::ManifestRegistry&) {
    return kivari::ClassifiedIntent{kivari::Expression::browser(*kivari::Url::parse(url)), std::nullopt,
                                    std::nullopt};
  };
  services.executeSystemAction = [](kivari::SystemControlAction) { return kivari::SystemActionResult{}; };
  return services;
}

struct Cell {
  std::unique_ptr<kivari::FramedCell> view;
  bool finished = false;
};

// Builds a framed browser cell in the shown window; returns ms to the
// finished load and to the first frame painted after it.
std::pair<double, double> openCell(Gtk::Box& frame, Gtk::Window& window, kivari::AppState& state,
                                   kivari::Scheduler& scheduler, const std::string& url, Cell& cell) {
  const auto start = Clock::now();
  cell.finished = false;
  cell.view = kivari::buildCellLayer(kivari::Expression::browser(*kivari::Url::parse(url)), state, scheduler, [] {});
  GtkWidget* web = findWebView(GTK_WIDGET(cell.view->gobj()));
  if (web == nullptr) return {-1, -1};
  watchLoad(web, cell.finished);
  frame.append(*cell.view);
  if (!pumpUntil([&] { return cell.finished; }, 10000)) return {-1, -1};
  const double finished = msSince(start);
  untilPainted(window, [&] { cell.view->queue_draw(); });
  return {finished, msSince(start)};
}

void dissolve(Gtk::Box& frame, Cell& cell) {
  g_signal_handlers_disconnect_by_data(findWebView(GTK_WIDGET(cell.view->gobj())), &cell.finished);
  cell.view->dissolving();
  frame.remove(*cell.view);
  cell.view.reset();
}

int run(Gtk::Window& window, Gtk::Box& frame, int cycles) {
  LocalPage page;
  Cell cell;
  kivari::AppState state(std::make_unique<kivari::ManifestRegistry>(std::nullopt), browserOnly(page.url()));
  kivari::MainLoopScheduler scheduler;
  auto openCell = [&](Gtk::Box& f, Gtk::Window& w, const std::string& url, Cell& c) {
    return ::openCell(f, w, state, scheduler, url, c);
  };

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
  return webCellCycles(
      "open-and-dissolve cycles", cycles,
      [&] {
        openCell(frame, window, page.url(), cell);
        return true;
      },
      [&] { dissolve(frame, cell); });
}

// The desktop as the program shows it: a request, its capability card, Allow,
// and the first frame painted after the page has loaded. Prints the ms.
int firstCell() {
  LocalPage page;
  kivari::installStyle();
  Gtk::Window window;
  window.set_default_size(1600, 1000);
  kivari::AppState state(std::make_unique<kivari::ManifestRegistry>(std::nullopt), browserOnly(page.url()));
  kivari::MainLoopScheduler scheduler;
  kivari::ContentView content(window, state, scheduler);
  window.set_child(content);
  window.present();
  pumpUntil([&] { return window.get_mapped(); }, 5000);
  kivari::testing::pump(1500);
  state.setIntentText("the local page");
  state.submit();
  kivari::testing::pump(800);  // the card has faded in
  const auto* card = state.mode().as<kivari::AppMode::CapabilityPrompt>();
  if (card == nullptr) return 1;
  const kivari::Expression expression = card->expression;
  bool finished = false;
  const auto start = Clock::now();
  state.allow(expression);
  GtkWidget* web = content.cellLayer() ? findWebView(GTK_WIDGET(content.cellLayer()->gobj())) : nullptr;
  if (web == nullptr) {
    std::fprintf(stderr, "no web view in the browser cell\n");
    return 1;
  }
  watchLoad(web, finished);
  if (!pumpUntil([&] { return finished; }, 10000)) {
    std::fprintf(stderr, "the page did not load\n");
    return 1;
  }
  untilPainted(window, [&] { window.queue_draw(); });
  std::printf("%.0f\n", msSince(start));
  window.unset_child();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const bool first = argc > 1 && std::string_view(argv[1]) == "first";
  const int cycles = argc > 1 && !first ? std::max(1, std::atoi(argv[1])) : 50;
  // Opened on first use, as the program does, from where the build put it.
  kivari::provideWebCellModule(KIVARI_WEB_CELL_MODULE);
  auto app = Gtk::Application::create("org.kivari.CellsBench", Gio::Application::Flags::NON_UNIQUE);
  int result = 1;
  app->signal_activate().connect([&] {
    app->hold();
    if (first) {
      result = firstCell();
      app->release();
      app->quit();
      return;
    }
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
