#pragma once

#include <gtest/gtest.h>
#include <gtkmm.h>

#include <string>

namespace kivari::testing {

// GTK needs an application and a display; the tests run inside its
// activation. Returns what RUN_ALL_TESTS returned.
inline int runTestsInApplication(int argc, char** argv, const std::string& applicationId) {
  ::testing::InitGoogleTest(&argc, argv);
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
