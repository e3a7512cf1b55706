// Composer, reminder, calendar and notes cells: the time from Allow to the
// first frame painted with the cell in the real window, and what 100
// open-and-dissolve cycles of each kind leave in resident memory, for the
// framed cell alone and for the whole road (whose status lines stay by design).
#include "Core/AppState.h"
#include "Shell/CellLayer.h"
#include "Shell/ContentView.h"
#include "Ui/Style.h"

#include "BenchSupport.h"
#include "MainLoop.h"

#include <gtkmm.h>
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace kivari::bench;
using kivari::testing::pumpUntil;

kivari::AppStateServices services() {
  kivari::AppStateServices s;
  s.executeSystemAction = [](kivari::SystemControlAction) { return kivari::SystemActionResult{true, "Muted"}; };
  return s;
}

struct Desk {
  kivari::ManualScheduler scheduler;  // the fades end when told, not after half a second
  kivari::AppState state{std::make_unique<kivari::ManifestRegistry>(std::nullopt), services()};
  Gtk::Window window;
  std::unique_ptr<kivari::ContentView> content;
  Gtk::Window bare;  // a framed cell alone, with no desktop around it
  Gtk::Box holder;
};

double openCell(Desk& desk, const kivari::Expression& expression) {
  return untilPainted(desk.window, [&] { desk.state.allow(expression); });
}

long cycleBareCells(Desk& desk, const kivari::Expression& expression, int cycles) {
  malloc_trim(0);
  const long before = residentKiB();
  for (int i = 0; i < cycles; ++i) {
    std::unique_ptr<kivari::FramedCell> cell;
    untilPainted(desk.bare, [&] {
      cell = kivari::buildCellLayer(expression, desk.state, desk.scheduler, [] {});
      desk.holder.append(*cell);
    });
    cell->dissolving();
    desk.holder.remove(*cell);
  }
  pumpUntil([] { return false; }, 300);
  malloc_trim(0);
  return residentKiB() - before;
}

void dissolveCell(Desk& desk) {
  desk.state.dissolve();
  desk.scheduler.advance(std::chrono::milliseconds(600));
  pumpUntil([] { return false; }, 5);
}

void run(Desk& desk) {
  const std::vector<kivari::Expression> kinds{
      kivari::Expression::message("mom", "I'll be late"),
      kivari::Expression::email("bob", "lunch", ""),
      kivari::Expression::reminder("call mom"),
      kivari::Expression::calendar(),
      kivari::Expression::notes(),
  };
  for (const auto& expression : kinds) {
    const std::string name = expression.name();
    // One cycle first, so the baseline holds the kind's one-time set-up.
    openCell(desk, expression);
    dissolveCell(desk);
    std::vector<double> ms;
    for (int i = 0; i < 20; ++i) {
      ms.push_back(openCell(desk, expression));
      dissolveCell(desk);
    }
    std::sort(ms.begin(), ms.end());
    // The first hundred fill GTK's caches (glyphs, styles); the next show what stays.
    const long warmUp = cycleBareCells(desk, expression, 100);
    const long bare = cycleBareCells(desk, expression, 100);
    malloc_trim(0);
    const long before = residentKiB();
    for (int i = 0; i < 100; ++i) {
      openCell(desk, expression);
      dissolveCell(desk);
    }
    pumpUntil([] { return false; }, 300);
    malloc_trim(0);
    const long after = residentKiB();
    std::printf("%-9s Allow to first frame: median %.1f ms, min %.1f, max %.1f (20 runs); 100 open-and-dissolve "
                "cycles: framed cell alone %+.2f MB (first hundred %+.2f MB), whole road %+.2f MB\n",
                name.c_str(), ms[ms.size() / 2], ms.front(), ms.back(), bare / 1024.0, warmUp / 1024.0,
                (after - before) / 1024.0);
  }
  // What the whole road's figure holds besides the cells: 400 status lines,
  // as many as 100 cycles post, which the ribbon keeps for the whole run.
  malloc_trim(0);
  const long before = residentKiB();
  for (int i = 0; i < 200; ++i) {
    untilPainted(desk.window, [&] {
      desk.state.setIntentText("mute");
      desk.state.submit();
    });
  }
  malloc_trim(0);
  std::printf("400 status lines with no cell: %+.2f MB\n", (residentKiB() - before) / 1024.0);
}

}  // namespace

int main() {
  auto app = Gtk::Application::create("org.kivari.PersonalCellsBench", Gio::Application::Flags::NON_UNIQUE);
  app->signal_activate().connect([&] {
    app->hold();
    kivari::installStyle();
    Desk desk;
    desk.content = std::make_unique<kivari::ContentView>(desk.window, desk.state, desk.scheduler);
    presentDesktop(desk.window, *desk.content, 1600, 1000);
    desk.bare.add_css_class("kivari");
    desk.bare.set_default_size(1200, 800);
    desk.bare.set_child(desk.holder);
    desk.bare.present();
    pumpUntil([&] { return desk.window.get_mapped() && desk.bare.get_mapped(); }, 5000);
    pumpUntil([] { return false; }, 300);
    run(desk);
    desk.window.unset_child();
    desk.bare.unset_child();
    desk.content.reset();
    app->release();
    app->quit();
  });
  return app->run(0, nullptr);
}
