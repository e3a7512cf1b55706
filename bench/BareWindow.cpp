// The yardstick for Kivari's start: a gtkmm window with one label and one
// entry, filling the same work area, and nothing else.
#include <gtkmm.h>

namespace {

class BareWindow : public Gtk::ApplicationWindow {
 public:
  BareWindow() {
    set_title("Bare window");
    set_decorated(false);
    if (auto display = Gdk::Display::get_default()) {
      auto monitors = display->get_monitors();
      if (monitors->get_n_items() > 0) {
        auto* monitor = GDK_MONITOR(g_list_model_get_item(monitors->gobj(), 0));
        GdkRectangle area;
        gdk_monitor_get_geometry(monitor, &area);
        set_default_size(area.width, area.height);
        g_object_unref(monitor);
      }
    }
    box_.append(label_);
    box_.append(entry_);
    box_.set_valign(Gtk::Align::CENTER);
    box_.set_halign(Gtk::Align::CENTER);
    set_child(box_);
  }

 private:
  Gtk::Box box_{Gtk::Orientation::VERTICAL, 12};
  Gtk::Label label_{"What do you need?"};
  Gtk::Entry entry_;
};

}  // namespace

int main() {
  auto app = Gtk::Application::create("org.kivari.BareWindow", Gio::Application::Flags::NON_UNIQUE);
  return app->make_window_and_run<BareWindow>(0, nullptr);
}
