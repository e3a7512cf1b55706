// Timer, weather and music cells on the real desktop under a display: the
// time from Allow to the cell's first painted frame, the process's CPU while
// a timer runs or music plays, and resident memory over open-and-dissolve
// cycles. Run through window.sh timed-cells (cairo renderer).
#include "BenchSupport.h"
#include "Cells/MusicCellView.h"
#include "Core/AppState.h"
#include "GuiSupport.h"
#include "MainLoop.h"
#include "Shell/ContentView.h"
#include "Ui/Style.h"

#include <gtkmm.h>
#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace kivari::bench;
using kivari::testing::pump;
using kivari::testing::pumpUntil;

// Runs the main loop, sleeping between events, for `seconds`.
void idle(double seconds) {
  bool over = false;
  Glib::signal_timeout().connect_once([&] { over = true; }, static_cast<unsigned>(seconds * 1000));
  while (!over) g_main_context_iteration(nullptr, TRUE);
}

class Bench {
 public:
  Bench(Gtk::Window& window) : window_(window) {
    state_ = std::make_unique<kivari::AppState>(std::make_unique<kivari::ManifestRegistry>(std::nullopt),
                                                kivari::AppStateServices{});
    content_ = std::make_unique<kivari::ContentView>(window_, *state_, scheduler_);
    window_.set_child(*content_);
  }
  ~Bench() { window_.unset_child(); }

  // Allow, then the first frame painted with the cell on screen; in ms.
  double open(const kivari::Expression& expression) {
    bool painted = false;
    GdkFrameClock* clock = gtk_widget_get_frame_clock(GTK_WIDGET(window_.gobj()));
    struct Watch {
      kivari::ContentView* content;
      bool* painted;
    } watch{content_.get(), &painted};
    const gulong id = g_signal_connect(clock, "after-paint", G_CALLBACK(+[](GdkFrameClock*, gpointer data) {
                                         auto* w = static_cast<Watch*>(data);
                                         auto* cell = w->content->cellLayer();
                                         if (cell != nullptr && cell->get_mapped()) *w->painted = true;
                                       }),
                                       &watch);
    const auto start = Clock::now();
    state_->allow(expression);
    pumpUntil([&] { return painted; }, 5000);
    g_signal_handler_disconnect(clock, id);
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  }

  // Dissolves the open cell and waits until its widgets are gone.
  void dissolve() {
    bool gone = false;
    if (auto* cell = content_->cellLayer()) {
      g_object_weak_ref(G_OBJECT(cell->gobj()), +[](gpointer flag, GObject*) { *static_cast<bool*>(flag) = true; },
                        &gone);
    }
    state_->dissolve();
    pumpUntil([&] { return gone; }, 5000);
  }

  Gtk::Widget* cell() { return content_->cellLayer(); }

 private:
  Gtk::Window& window_;
  kivari::MainLoopScheduler scheduler_;
  std::unique_ptr<kivari::AppState> state_;
  std::unique_ptr<kivari::ContentView> content_;
};

using kivari::testing::findIn;

const std::pair<const char*, kivari::Expression> kKinds[] = {
    {"timer", kivari::Expression::timer(90, "")},
    {"weather", kivari::Expression::weather("paris")},
    {"music", kivari::Expression::music("")}};

void firstFrames(Bench& bench) {
  for (const auto& [name, expression] : kKinds) {
    std::vector<double> times;
    for (int i = 0; i < 10; ++i) {
      times.push_back(bench.open(expression));
      bench.dissolve();
    }
    report((std::string("Allow to first frame, ") + name).c_str(), times);
  }
}

// The process's CPU while the cell stands open, after a settling pause.
void idleCpu(Bench& bench, bool music, double seconds) {
  bench.open(music ? kivari::Expression::music("") : kivari::Expression::timer(3600, ""));
  if (auto* player = findIn<kivari::MusicCellView>(bench.cell())) player->player().togglePlaying();
  pump(5000);
  const double before = cpuSeconds();
  idle(seconds);
  std::printf("idle CPU, %s: %.2f %% of one core over %.0f s\n", music ? "playing music" : "running timer",
              100 * (cpuSeconds() - before) / seconds, seconds);
  bench.dissolve();
}

void memory(Bench& bench, int cycles) {
  for (const auto& [name, expression] : kKinds) {
    bench.open(expression);  // one first, so the baseline holds the one-time set-up
    bench.dissolve();
    pump(200);
    malloc_trim(0);
    const long before = residentKiB();
    for (int i = 0; i < cycles; ++i) {
      bench.open(expression);
      bench.dissolve();
    }
    pump(500);
    malloc_trim(0);
    const long after = residentKiB();
    std::printf("%d open-and-dissolve cycles, %s: resident %ld KiB -> %ld KiB (%+.1f MB)\n", cycles, name,
                before, after, (after - before) / 1024.0);
  }
}

}  // namespace

// kivari_timed_cells_bench frames | idle-timer [seconds] | idle-music [seconds] | memory [cycles]
// Each in a process of its own, so one measure leaves nothing to the next.
int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  const std::string what = argc > 1 ? argv[1] : "frames";
  const int count = argc > 2 ? std::max(1, std::atoi(argv[2])) : 0;
  auto app = Gtk::Application::create("org.kivari.TimedCellsBench", Gio::Application::Flags::NON_UNIQUE);
  int result = 1;
  app->signal_activate().connect([&] {
    app->hold();
    kivari::installStyle();
    Gtk::Window window;
    window.set_decorated(false);
    window.add_css_class("kivari");
    window.set_default_size(1600, 1000);
    window.present();
    pumpUntil([&] { return window.get_mapped(); }, 5000);
    {
      Bench bench(window);
      pump(300);
      result = 0;
      if (what == "frames") {
        firstFrames(bench);
      } else if (what == "idle-timer" || what == "idle-music") {
        idleCpu(bench, what == "idle-music", count > 0 ? count : 30);
      } else if (what == "memory") {
        memory(bench, count > 0 ? count : 100);
      } else {
        std::fprintf(stderr, "unknown measure %s\n", what.c_str());
        result = 2;
      }
    }
    app->release();
    app->quit();
  });
  app->run(0, nullptr);
  return result;
}
