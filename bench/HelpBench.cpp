// The help cell under a real display: the time from a help question reaching
// the state hub to the first frame painted with its cell in the window.
#include "BenchSupport.h"
#include "Core/AppState.h"
#include "Help/HelpCellView.h"
#include "MainLoop.h"
#include "Shell/ContentView.h"
#include "Ui/Style.h"

#include <gtkmm.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using namespace kivari::bench;
using kivari::testing::pumpUntil;

int run(Gtk::Window& window, kivari::AppState& state, kivari::ContentView& content, int runs) {
  GdkFrameClock* clock = gtk_widget_get_frame_clock(GTK_WIDGET(window.gobj()));
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    bool painted = false;
    const gulong id = g_signal_connect(clock, "after-paint", G_CALLBACK(+[](GdkFrameClock*, gpointer flag) {
                                         *static_cast<bool*>(flag) = true;
                                       }),
                                       &painted);
    const auto start = Clock::now();
    state.setIntentText("how does this work?");
    state.submit();
    auto* cell = content.cellLayer();
    if (cell == nullptr) return 1;
    // Only a paint after the cell is mapped shows it.
    const bool shown = pumpUntil([&] {
      if (!cell->get_mapped()) painted = false;
      return painted && cell->get_mapped();
    }, 2000);
    const double elapsed = msSince(start);
    g_signal_handler_disconnect(clock, id);
    if (!shown) return 1;
    ms.push_back(elapsed);
    state.dissolve();
    kivari::testing::pump(700);  // the fade-out ends and the cell goes
  }
  report("help question to the help cell's first frame", ms);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  auto app = Gtk::Application::create("org.kivari.HelpBench", Gio::Application::Flags::NON_UNIQUE);
  int result = 1;
  app->signal_activate().connect([&] {
    app->hold();
    kivari::installStyle();
    kivari::MainLoopScheduler scheduler;
    kivari::AppState state(std::make_unique<kivari::ManifestRegistry>(std::nullopt), kivari::AppStateServices{});
    {
      Gtk::Window window;
      window.add_css_class("kivari");
      window.set_default_size(1600, 1000);
      kivari::ContentView content(window, state, scheduler);
      window.set_child(content);
      window.present();
      pumpUntil([&] { return window.get_mapped(); }, 5000);
      kivari::testing::pump(500);
      result = run(window, state, content, runs);
      window.unset_child();
    }
    app->release();
    app->quit();
  });
  app->run(0, nullptr);
  return result;
}
