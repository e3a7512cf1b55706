#include <gtest/gtest.h>
#include <gtkmm.h>

// GTK needs an application and a display; the tests run inside its activation.
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  auto app = Gtk::Application::create("org.kivari.GuiTests", Gio::Application::Flags::NON_UNIQUE);
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
