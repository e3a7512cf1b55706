// Cells and cards given very long text, as pasted or as a model answers:
// the time from the request until the window has painted the cell and then
// answers input (a default-priority source, as input events are, runs).
//   kivari_long_text_bench [characters] [model-answer characters]
#include "Core/AppState.h"
#include "Shell/ContentView.h"
#include "Ui/Style.h"

#include "BenchSupport.h"
#include "MainLoop.h"

#include <gtkmm.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace kivari::bench;
using kivari::testing::pumpUntil;

struct Desk {
  kivari::ManualScheduler scheduler;  // the fades and the weather's wait end when told
  kivari::AppState state{std::make_unique<kivari::ManifestRegistry>(std::nullopt), kivari::AppStateServices{}};
  Gtk::Window window;
  std::unique_ptr<kivari::ContentView> content;
};

struct Figures {
  double painted = -1;   // until a frame with the change on screen
  double answered = -1;  // until, after that frame, an input-priority source ran
};

// `change`, then a paint with `shown` true, then one turn at input priority.
Figures measure(Desk& desk, const std::function<void()>& change, const std::function<bool()>& shown) {
  bool painted = false;
  GdkFrameClock* clock = gtk_widget_get_frame_clock(GTK_WIDGET(desk.window.gobj()));
  const gulong id = g_signal_connect(clock, "after-paint", G_CALLBACK(+[](GdkFrameClock*, gpointer flag) {
                                       *static_cast<bool*>(flag) = true;
                                     }),
                                     &painted);
  Figures figures;
  const auto start = Clock::now();
  change();
  // A frozen layout holds a single turn of the loop for as long as it takes.
  const bool ok = pumpUntil([&] {
    if (!shown()) painted = false;
    return painted;
  }, 600000);
  g_signal_handler_disconnect(clock, id);
  if (!ok) return figures;
  figures.painted = msSince(start);
  bool answered = false;
  g_timeout_add(0, +[](gpointer flag) -> gboolean {
    *static_cast<bool*>(flag) = true;
    return G_SOURCE_REMOVE;
  }, &answered);
  pumpUntil([&] { return answered; }, 600000);
  figures.answered = msSince(start);
  return figures;
}

bool cellShown(Desk& desk) {
  auto* cell = desk.content->cellLayer();
  return cell != nullptr && cell->get_mapped();
}

void dissolve(Desk& desk) {
  desk.state.dissolve();
  desk.scheduler.advance(std::chrono::milliseconds(600));
  pumpUntil([] { return false; }, 50);
}

void print(const char* what, std::size_t characters, const Figures& f) {
  std::printf("%-52s %8zu chars: painted %8.1f ms, answers input %8.1f ms\n", what, characters, f.painted,
              f.answered);
  std::fflush(stdout);
}

void run(Desk& desk, std::size_t n, std::size_t modelN) {
  const auto word = [](std::size_t length, char c) { return std::string(length, c); };
  const auto words = [](std::size_t length) {
    std::string s;
    while (s.size() < length) s += "lorem ipsum ";
    s.resize(length);
    return s;
  };

  // A help question pasted as one word, then Return.
  for (const auto& [what, question] :
       {std::pair<const char*, std::string>{"help question, one word", word(n - 1, 'q') + "?"},
        {"help question, words", words(n - 1) + "?"}}) {
    print(what, question.size(), measure(desk, [&] {
      desk.state.setIntentText(question);
      desk.state.submit();
    }, [&] { return cellShown(desk); }));
    dissolve(desk);
    desk.state.setIntentText("");
  }
  // A model answer naming a help query of nearly the answer's size cap.
  print("help cell from a model answer, one word", modelN,
        measure(desk, [&] { desk.state.allow(kivari::Expression::help(word(modelN, 'q'))); },
                [&] { return cellShown(desk); }));
  dissolve(desk);

  // A message to a one-word recipient: its card, then the composer. A
  // short one for comparison: the card's frosted glass has its own cost.
  for (const std::string& recipient : {std::string("mom"), word(std::min<std::size_t>(n, 16000), 'a')}) {
    print("message card, one-word recipient", recipient.size(), measure(desk, [&] {
      desk.state.setIntentText("text " + recipient + " hello");
      desk.state.submit();
    }, [&] { return desk.state.mode().as<kivari::AppMode::CapabilityPrompt>() != nullptr; }));
    desk.state.deny();
    desk.scheduler.advance(std::chrono::milliseconds(600));
    pumpUntil([] { return false; }, 300);
    desk.state.setIntentText("");
  }

  struct Case {
    const char* what;
    std::size_t characters;
    kivari::Expression expression;
  };
  const std::vector<Case> cells{
      {"composer, one-word body", n, kivari::Expression::message("mom", word(n, 'b'))},
      {"composer, body of words", n, kivari::Expression::message("mom", words(n))},
      {"composer, one-word recipient", n, kivari::Expression::message(word(n, 'a'), "hello")},
      {"composer, one-word body from a model answer", modelN, kivari::Expression::message("mom", word(modelN, 'b'))},
      {"e-mail, one-word address from a model answer", modelN,
       kivari::Expression::email(word(modelN, 'a'), word(modelN / 4, 's'), "hello")},
      {"reminder, one word", n, kivari::Expression::reminder(word(n, 'r'))},
      {"timer, one-word label", n, kivari::Expression::timer(60, word(n, 't'))},
  };
  for (const auto& [what, characters, expression] : cells) {
    print(what, characters, measure(desk, [&] { desk.state.allow(expression); }, [&] { return cellShown(desk); }));
    dissolve(desk);
  }

  // The weather place shows once the readings come, 1.2 s after the cell.
  for (const auto& [what, place] : {std::pair<const char*, std::string>{"weather place, one word", word(n, 'w')},
                                    {"weather place, words", words(n)}}) {
    desk.state.allow(kivari::Expression::weather(place));
    pumpUntil([&] { return cellShown(desk); }, 600000);
    print(what, place.size(), measure(desk, [&] { desk.scheduler.advance(std::chrono::milliseconds(1300)); },
                                      [] { return true; }));
    dissolve(desk);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t n = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 65000;
  const std::size_t modelN = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 1048000;
  auto app = Gtk::Application::create("org.kivari.LongTextBench", Gio::Application::Flags::NON_UNIQUE);
  app->signal_activate().connect([&] {
    app->hold();
    kivari::installStyle();
    Desk desk;
    desk.content = std::make_unique<kivari::ContentView>(desk.window, desk.state, desk.scheduler);
    presentDesktop(desk.window, *desk.content, 1024, 768);
    pumpUntil([&] { return desk.window.get_mapped(); }, 5000);
    pumpUntil([] { return false; }, 300);
    run(desk, n, modelN);
    desk.window.unset_child();
    desk.content.reset();
    app->release();
    app->quit();
  });
  return app->run(0, nullptr);
}
