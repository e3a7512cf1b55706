// Game cell figures in the desktop under a real display: Allow to the
// panel's first frame, the page's readiness after its cross-fade begins, and
// what 20 open-and-dissolve cycles of cells that reached their page leave.
// The cell's 4.1 s sequence runs on a manual clock; paint and load are real,
// so the page's head start behind the panel is given as real time too.
#include "BenchSupport.h"
#include "Cells/GameCellView.h"
#include "Core/AppState.h"
#include "MainLoop.h"
#include "ProcessScan.h"
#include "Shell/ContentView.h"
#include "Shell/WebCellModule.h"
#include "Ui/Style.h"

#include <gtkmm.h>
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace kivari::bench;
using kivari::testing::pumpUntil;

// Waits for the window's next painted frame.
void nextFrame(Gtk::Window& window) {
  untilPainted(window, [&] { window.queue_draw(); });
}

class Desktop {
 public:
  explicit Desktop(Gtk::Window& window) : window_(window) {
    kivari::AppStateServices services;
    services.classify = [](const std::string&, const kivari::ManifestRegistry&) {
      return kivari::ClassifiedIntent{kivari::Expression::game("chess"), std::nullopt, std::nullopt};
    };
    services.executeSystemAction = [](kivari::SystemControlAction) { return kivari::SystemActionResult{}; };
    state_ = std::make_unique<kivari::AppState>(std::make_unique<kivari::ManifestRegistry>(std::nullopt),
                                                std::move(services));
    content_ = std::make_unique<kivari::ContentView>(window, *state_, clock_);
    window.set_child(*content_);
  }
  ~Desktop() { window_.unset_child(); }

  // Asks for the game and lets the capability card settle.
  void request() {
    state_->setIntentText("play chess");
    state_->submit();
    settle();
  }

  // Allow on the card; returns ms until the first frame after it.
  double allow() {
    const auto* card = state_->mode().as<kivari::AppMode::CapabilityPrompt>();
    const kivari::Expression expression = card->expression;
    const auto start = Clock::now();
    state_->allow(expression);
    nextFrame(window_);
    return msSince(start);
  }

  kivari::GameCellView* cell() {
    auto* framed = dynamic_cast<kivari::FramedCell*>(content_->cellLayer());
    return framed ? dynamic_cast<kivari::GameCellView*>(&framed->cell()) : nullptr;
  }

  // Runs the sequence to its cross-fade; returns ms from it until the page
  // answers with its 49 tiles, and until the first frame after that.
  std::pair<double, double> reachPage() {
    clock_.advance(kivari::Scheduler::Duration(900));
    kivari::testing::pump(3200);
    clock_.advance(kivari::Scheduler::Duration(3200));
    const auto start = Clock::now();
    WebKitWebView* view = cell()->webView();
    struct Answer {
      bool done = false;
      int tiles = 0;
    };
    int tiles = 0;
    // Asked again, each answer awaited, until the page has run its script.
    while (tiles != 49 && msSince(start) < 10000) {
      Answer answer;
      webkit_web_view_evaluate_javascript(
          view, "document.querySelectorAll('#grid .c').length", -1, nullptr, nullptr, nullptr,
          [](GObject* source, GAsyncResult* result, gpointer data) {
            auto* out = static_cast<Answer*>(data);
            JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, nullptr);
            if (value != nullptr) {
              out->tiles = jsc_value_to_int32(value);
              g_object_unref(value);
            }
            out->done = true;
          },
          &answer);
      pumpUntil([&] { return answer.done; }, 60000);
      tiles = answer.tiles;
    }
    if (tiles != 49) return {-1, -1};
    const double readyMs = msSince(start);
    nextFrame(window_);
    return {readyMs, msSince(start)};
  }

  void dissolve() {
    state_->dissolve();
    settle();
  }

 private:
  void settle() {
    clock_.advance(kivari::Scheduler::Duration(600));
    kivari::testing::pump(50);
  }

  Gtk::Window& window_;
  kivari::ManualScheduler clock_;
  std::unique_ptr<kivari::AppState> state_;
  std::unique_ptr<kivari::ContentView> content_;
};

int run(Gtk::Window& window, int cycles) {
  Desktop desktop(window);
  pumpUntil([] { return false; }, 300);

  std::vector<double> panelMs;
  for (int i = 0; i < 10; ++i) {
    desktop.request();
    panelMs.push_back(desktop.allow());
    desktop.dissolve();
  }
  report("Allow to the panel's first frame", panelMs);

  std::vector<double> readyMs, paintedMs;
  for (int i = 0; i < 5; ++i) {
    desktop.request();
    desktop.allow();
    const auto [ready, painted] = desktop.reachPage();
    if (ready < 0) {
      std::fprintf(stderr, "the page did not load\n");
      return 1;
    }
    readyMs.push_back(ready);
    paintedMs.push_back(painted);
    desktop.dissolve();
    pumpUntil([] { return webKitProcessCount() == 0; }, 5000);
  }
  report("cross-fade start to the page's script run (interactive)", readyMs);
  report("cross-fade start to the first frame after it", paintedMs);

  return webCellCycles(
      "open-and-dissolve cycles to the page", cycles,
      [&] {
        desktop.request();
        desktop.allow();
        return desktop.reachPage().first >= 0;
      },
      [&] { desktop.dissolve(); });
}

}  // namespace

int main(int argc, char** argv) {
  const int cycles = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  kivari::provideWebCells({kivari_web_cells_v2(), {}});
  auto app = Gtk::Application::create("org.kivari.GameBench", Gio::Application::Flags::NON_UNIQUE);
  int result = 1;
  app->signal_activate().connect([&] {
    app->hold();
    kivari::installStyle();
    Gtk::Window window;
    window.add_css_class("kivari");
    window.set_default_size(1600, 1000);
    window.present();
    pumpUntil([&] { return window.get_mapped(); }, 5000);
    result = run(window, cycles);
    app->release();
    app->quit();
  });
  app->run(0, nullptr);
  return result;
}
