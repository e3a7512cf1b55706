// Launch-splash and drone figures: the drone's buffer, its start on the main
// loop, and the cost of one splash frame at 1920 x 1080 on the cairo renderer,
// drawn alone and as a whole window frame over the desktop. With "notice":
// the CPU the security notice costs while it shows, over the idle desktop and
// over an open notes cell, against both without it.
#include "Core/AppState.h"
#include "Core/Expression.h"
#include "MainLoop.h"
#include "Shell/AmbientAudio.h"
#include "Shell/ContentView.h"
#include "Shell/GstDroneOutput.h"
#include "Shell/SplashView.h"
#include "Ui/Style.h"

#include <gsk/gsk.h>
#include <gtkmm.h>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void report(const char* what, std::vector<double> values) {
  std::sort(values.begin(), values.end());
  std::printf("%s: median %.2f ms, p95 %.2f ms, max %.2f ms (%zu)\n", what, values[values.size() / 2],
              values[values.size() * 95 / 100], values.back(), values.size());
}

void droneFigures() {
  std::vector<double> buffer;
  for (int i = 0; i < 20; ++i) {
    const auto start = Clock::now();
    auto samples = kivari::drone::samples();
    buffer.push_back(msSince(start));
  }
  report("drone buffer computed", buffer);
  kivari::MainLoopScheduler scheduler;
  kivari::AmbientAudio drone(scheduler, &kivari::makeGstDroneOutput);
  const auto start = Clock::now();
  drone.start();
  std::printf("drone start() on the main loop, buffer and sound output included: %.1f ms (%s)\n", msSince(start),
              drone.isPlaying() ? "playing" : "no sound device: silent");
}

// The splash's own frame, built and rendered whole, off screen, by GTK's
// cairo renderer: what one frame costs before any windowing system.
void cairoFrames() {
  kivari::UniformRandom random(11);
  const auto particles = kivari::splash::makeParticles(random);
  GskRenderer* renderer = gsk_cairo_renderer_new();
  if (!gsk_renderer_realize(renderer, nullptr, nullptr)) {
    std::printf("no cairo renderer\n");
    return;
  }
  const graphene_rect_t viewport = GRAPHENE_RECT_INIT(0, 0, 1920, 1080);
  std::vector<double> frames;
  for (int i = 0; i < 300; ++i) {
    const auto start = Clock::now();
    GtkSnapshot* snapshot = gtk_snapshot_new();
    kivari::SplashView::appendFrame(snapshot, particles, 1.0 + i / 100.0, 1920, 1080);
    GskRenderNode* node = gtk_snapshot_free_to_node(snapshot);
    GdkTexture* texture = gsk_renderer_render_texture(renderer, node, &viewport);
    frames.push_back(msSince(start));
    g_object_unref(texture);
    gsk_render_node_unref(node);
  }
  gsk_renderer_unrealize(renderer);
  g_object_unref(renderer);
  report("one splash frame, 1920x1080, rendered whole by the cairo renderer off screen", frames);
}

// Every frame of the window while the splash runs, from before-paint to after-paint.
int windowFrames(Gtk::Window& window) {
  kivari::installStyle();
  kivari::AppState state(std::make_unique<kivari::ManifestRegistry>(std::nullopt), kivari::AppStateServices{});
  kivari::MainLoopScheduler scheduler;
  kivari::LaunchOptions options;
  options.splash = true;
  options.droneOutput = [](auto) { return nullptr; };
  kivari::ContentView content(window, state, scheduler, options);
  window.set_child(content);
  window.present();
  kivari::testing::pumpUntil([&] { return window.get_mapped(); }, 5000);
  GdkFrameClock* clock = gtk_widget_get_frame_clock(GTK_WIDGET(window.gobj()));
  struct Timing {
    Clock::time_point began;
    std::vector<double> frames;
  } timing;
  const gulong before = g_signal_connect(clock, "before-paint", G_CALLBACK(+[](GdkFrameClock*, gpointer t) {
                                           static_cast<Timing*>(t)->began = Clock::now();
                                         }),
                                         &timing);
  const gulong after = g_signal_connect(clock, "after-paint", G_CALLBACK(+[](GdkFrameClock*, gpointer t) {
                                          auto* frame = static_cast<Timing*>(t);
                                          frame->frames.push_back(msSince(frame->began));
                                        }),
                                        &timing);
  kivari::testing::pumpUntil([&] { return content.overlays().splash() == nullptr; }, 8000);
  const bool complete = content.overlays().splash() == nullptr;
  g_signal_handler_disconnect(clock, before);
  g_signal_handler_disconnect(clock, after);
  const auto windowSize = std::to_string(window.get_width()) + "x" + std::to_string(window.get_height());
  report(("whole window frame during the splash, " + windowSize + ", renderer " +
          (g_getenv("GSK_RENDERER") ? g_getenv("GSK_RENDERER") : "default"))
             .c_str(),
         timing.frames);
  window.unset_child();
  return complete ? 0 : 1;
}

// The main loop as the program runs it, except that waits of 15 s or more
// (the security notice's) are held until the bench lets them go.
class HeldScheduler final : public kivari::Scheduler {
 public:
  Token schedule(Duration delay, std::function<void()> task) override {
    const Token token = next_++;
    if (delay >= std::chrono::seconds(15)) {
      held_[token] = std::move(task);
    } else {
      run(token, delay, std::move(task));
    }
    return token;
  }
  void cancel(Token token) override {
    held_.erase(token);
    if (const auto it = live_.find(token); it != live_.end()) {
      parent_.cancel(it->second);
      live_.erase(it);
    }
  }
  void release() {
    auto held = std::move(held_);
    held_.clear();
    for (auto& [token, task] : held) run(token, Duration{0}, std::move(task));
  }

 private:
  void run(Token token, Duration delay, std::function<void()> task) {
    live_[token] = parent_.schedule(delay, [this, token, task = std::move(task)] {
      live_.erase(token);
      task();
    });
  }
  kivari::MainLoopScheduler parent_;
  std::map<Token, std::function<void()>> held_;
  std::map<Token, Token> live_;
  Token next_ = 1;
};

double cpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs the main loop as the program does, sleeping while nothing is due.
void idleFor(int ms) {
  bool done = false;
  g_timeout_add(static_cast<guint>(ms), +[](gpointer flag) {
    *static_cast<bool*>(flag) = true;
    return G_SOURCE_REMOVE;
  }, &done);
  while (!done) g_main_context_iteration(nullptr, TRUE);
}

// Share of one core, in percent, spent over the next `ms`.
double cpuOver(int ms) {
  const double before = cpuSeconds();
  const auto start = Clock::now();
  idleFor(ms);
  return 100 * (cpuSeconds() - before) / (msSince(start) / 1000);
}

// The notice from its threat to its last slide, and the threat alone (the glow).
void noticeFigures(const char* over, HeldScheduler& scheduler, kivari::SecurityAlertView& banner) {
  scheduler.release();
  kivari::testing::pumpUntil([&] { return banner.loop().phase() == kivari::AlertPhase::threat; }, 2000);
  struct Frames {
    Clock::time_point began;
    std::vector<double> ms;
  } frames;
  GdkFrameClock* clock = gtk_widget_get_frame_clock(GTK_WIDGET(banner.gobj()));
  const gulong beforePaint = g_signal_connect(clock, "before-paint", G_CALLBACK(+[](GdkFrameClock*, gpointer f) {
                                                static_cast<Frames*>(f)->began = Clock::now();
                                              }),
                                              &frames);
  const gulong afterPaint = g_signal_connect(clock, "after-paint", G_CALLBACK(+[](GdkFrameClock*, gpointer f) {
                                               auto* frame = static_cast<Frames*>(f);
                                               frame->ms.push_back(msSince(frame->began));
                                             }),
                                             &frames);
  const double before = cpuSeconds();
  const auto start = Clock::now();
  const double threat = cpuOver(static_cast<int>(kivari::SecurityAlertLoop::kThreatTime.count()) - 100);
  g_signal_handler_disconnect(clock, beforePaint);
  g_signal_handler_disconnect(clock, afterPaint);
  std::sort(frames.ms.begin(), frames.ms.end());
  if (!frames.ms.empty()) {
    std::printf("  frames while the threat glows: %zu, median %.2f ms, max %.2f ms\n", frames.ms.size(),
                frames.ms[frames.ms.size() / 2], frames.ms.back());
  }
  while (banner.loop().phase() != kivari::AlertPhase::hidden || banner.banner().get_visible()) {
    g_main_context_iteration(nullptr, TRUE);
  }
  const double whole = 100 * (cpuSeconds() - before) / (msSince(start) / 1000);
  std::printf("notice over %s: %.1f %% while the threat glows (3.9 s), %.1f %% over the whole notice (%.1f s)\n",
              over, threat, whole, msSince(start) / 1000);
}

int noticeBench(Gtk::Window& window) {
  kivari::installStyle();
  kivari::AppState state(std::make_unique<kivari::ManifestRegistry>(std::nullopt), kivari::AppStateServices{});
  HeldScheduler scheduler;
  kivari::ContentView content(window, state, scheduler);
  window.set_child(content);
  window.present();
  kivari::testing::pumpUntil([&] { return window.get_mapped(); }, 5000);
  auto& banner = content.overlays().banner();
  // Past the prompt's cursor blink (10 s), so nothing else draws.
  idleFor(11000);
  std::printf("Kivari window %dx%d, renderer %s; CPU as a share of one core\n", window.get_width(),
              window.get_height(), g_getenv("GSK_RENDERER") ? g_getenv("GSK_RENDERER") : "default");
  std::printf("idle desktop: %.1f %%\n", cpuOver(5000));
  noticeFigures("the idle desktop", scheduler, banner);
  state.allow(kivari::Expression::notes());
  idleFor(11000);
  std::printf("notes cell open: %.1f %%\n", cpuOver(5000));
  noticeFigures("the notes cell", scheduler, banner);
  std::printf("notes cell open, after the notice: %.1f %%\n", cpuOver(5000));
  window.unset_child();
  return 0;
}

// Runs `bench` in an undecorated desktop-sized window and answers its result.
int inWindow(int width, int height, const std::function<int(Gtk::Window&)>& bench) {
  auto app = Gtk::Application::create("org.kivari.OverlaysBench", Gio::Application::Flags::NON_UNIQUE);
  int result = 1;
  app->signal_activate().connect([&] {
    app->hold();
    Gtk::Window window;
    window.set_decorated(false);
    window.set_default_size(width, height);
    window.add_css_class("kivari");
    result = bench(window);
    app->release();
    app->quit();
  });
  app->run(0, nullptr);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "notice") == 0) return inWindow(1600, 1000, noticeBench);
  droneFigures();
  return inWindow(1920, 1080, [](Gtk::Window& window) {
    cairoFrames();
    return windowFrames(window);
  });
}
