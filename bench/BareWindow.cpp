// The yardstick for start-up: a bare gtkmm window with one label and one entry.
#include <gtkmm.h>

int main() {
  auto app = Gtk::Application::create("org.kivari.BareWindow", Gio::Application::Flags::NON_UNIQUE);
  std::unique_ptr<Gtk::Window> window;
  app->signal_activate().connect([&] {
    window = std::make_unique<Gtk::Window>();
    window->set_title("Bare");
    auto* box = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 8);
    box->append(*Gtk::make_managed<Gtk::Label>("What would you like to do?"));
    box->append(*Gtk::make_managed<Gtk::Entry>());
    window->set_child(*box);
    app->add_window(*window);
    window->present();
  });
  return app->run(0, nullptr);
}
