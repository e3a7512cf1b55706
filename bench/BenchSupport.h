#pragma once

// Measuring helpers shared by the window benchmarks.
#include "MainLoop.h"
#include "ProcessScan.h"

#include <gtk/gtk.h>
#include <gtkmm.h>
#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace kivari::bench {

using Clock = std::chrono::steady_clock;

inline double msSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

inline long residentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

// User and system CPU time of this process so far.
inline double cpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

inline void report(const char* what, std::vector<double> values) {
  if (values.empty()) return;
  std::sort(values.begin(), values.end());
  std::printf("%s: median %.1f ms, min %.1f ms, max %.1f ms (%zu runs)\n", what, values[values.size() / 2],
              values.front(), values.back(), values.size());
}

// Milliseconds from `change` until the window has painted a frame after it;
// -1 when no frame came within two seconds.
// Shows a desktop window of the given size holding `content`.
inline void presentDesktop(Gtk::Window& window, Gtk::Widget& content, int width, int height) {
  window.set_default_size(width, height);
  window.add_css_class("kivari");
  window.set_child(content);
  window.present();
}

inline double untilPainted(Gtk::Window& window, const std::function<void()>& change) {
  bool painted = false;
  GdkFrameClock* clock = gtk_widget_get_frame_clock(GTK_WIDGET(window.gobj()));
  const auto start = Clock::now();
  change();
  const gulong id = g_signal_connect(clock, "after-paint", G_CALLBACK(+[](GdkFrameClock*, gpointer flag) {
                                       *static_cast<bool*>(flag) = true;
                                     }),
                                     &painted);
  testing::pumpUntil([&] { return painted; }, 2000);
  g_signal_handler_disconnect(clock, id);
  return painted ? msSince(start) : -1;
}

inline int webKitProcessCount() { return static_cast<int>(testing::webKitProcesses().size()); }

// Runs `cycles` open-and-dissolve cycles of a web cell (`open` false stops
// them) and prints the memory they leave and the WebKit processes they
// leave behind; 0 when every process went within ten seconds.
inline int webCellCycles(const char* what, int cycles, const std::function<bool()>& open,
                         const std::function<void()>& dissolve) {
  malloc_trim(0);
  const long before = residentKiB();
  int mostProcesses = 0;
  for (int i = 0; i < cycles; ++i) {
    if (!open()) return 1;
    mostProcesses = std::max(mostProcesses, webKitProcessCount());
    dissolve();
  }
  const auto dissolvedAt = Clock::now();
  const bool gone = testing::pumpUntil([] { return webKitProcessCount() == 0; }, 10000);
  const double goneMs = msSince(dissolvedAt);
  testing::pumpUntil([] { return false; }, 1000);
  malloc_trim(0);
  const long after = residentKiB();
  std::printf("%d %s: resident %ld KiB -> %ld KiB (%+.1f MB)\n", cycles, what, before, after,
              (after - before) / 1024.0);
  std::printf("WebKit processes: at most %d while a cell was open; %d left %s %.0f ms after the last dissolve\n",
              mostProcesses, webKitProcessCount(), gone ? "within" : "after", goneMs);
  return gone ? 0 : 1;
}

}  // namespace kivari::bench
