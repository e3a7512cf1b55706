// Launch-splash and drone figures: the drone's buffer, its start on the main
// loop, and the cost of one splash frame at 1920 x 1080 on the cairo renderer,
// drawn alone and as a whole window frame over the desktop.
#include "Core/AppState.h"
#include "Shell/AmbientAudio.h"
#include "Shell/ContentView.h"
#include "Shell/GstDroneOutput.h"
#include "Shell/SplashView.h"
#include "Shell/Style.h"
#include "MainLoop.h"

#include <gsk/gsk.h>
#include <gtkmm.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
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

}  // namespace

int main() {
  droneFigures();
  auto app = Gtk::Application::create("org.kivari.OverlaysBench", Gio::Application::Flags::NON_UNIQUE);
  int result = 1;
  app->signal_activate().connect([&] {
    app->hold();
    cairoFrames();
    Gtk::Window window;
    window.set_decorated(false);
    window.set_default_size(1920, 1080);
    window.add_css_class("kivari");
    result = windowFrames(window);
    app->release();
    app->quit();
  });
  app->run(0, nullptr);
  return result;
}
