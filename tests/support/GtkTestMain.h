#pragma once

#include <gtest/gtest.h>
#include <gtkmm.h>

#include <string>

namespace kivari::testing {

// GTK needs an application and a display; the tests run inside its
// activation. Returns what RUN_ALL_TESTS returned.
inline int runTestsInApplication(int argc, char** argv, const std::string& applicationId) {
  ::testing::InitGoogleTest(&argc, argv);
  // As GLib's own tests run: a critical or a warning aborts the run, so a
  // fault that GTK only reports still fails.
  g_log_set_always_fatal(static_cast<GLogLevelFlags>(G_LOG_FATAL_MASK | G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING));
  auto app = Gtk::Application::create(applicationId, Gio::Application::Flags::NON_UNIQUE);
  int result = 1;
  app->signal_activate().connect([&] {
    app->hold();
    result = RUN_ALL_TESTS();
    app->release();
    app->quit();
  });
  app->run(0, nullptr);
  return result;
}

}  // namespace kivari::testing
