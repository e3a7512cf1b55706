#include "Shell/CompactBarView.h"

#include "Shell/CellLayer.h"

#include "Ui/Widgets.h"

namespace kivari {

CompactBarView::CompactBarView(AppState& state)
    : Gtk::Box(Gtk::Orientation::HORIZONTAL, 10), state_(state) {
  add_css_class("compact-bar");
  set_hexpand(true);
  auto* sparkle = makeSymbol("sparkle");
  sparkle->add_css_class("sparkle");
  append(*sparkle);

  field_.set_hexpand(true);
  field_.set_has_frame(false);
  field_.set_placeholder_text("Type a new intent\u2026");
  setAccessibleLabel(field_, "New intent");
  field_.set_valign(Gtk::Align::CENTER);
  append(field_);

  auto* label = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 4);
  label->append(*makeSymbol("xmark"));
  label->append(*Gtk::make_managed<Gtk::Label>("Dissolve"));
  dissolve_.set_child(*label);
  dissolve_.add_css_class("dissolve-button");
  dissolve_.set_tooltip_text("Dissolve cell (Esc)");
  setAccessibleLabel(dissolve_, "Dissolve");
  dissolve_.set_focus_on_click(false);
  dissolve_.set_valign(Gtk::Align::CENTER);
  append(dissolve_);

  // The bar comes with a new cell; its field takes the keyboard first,
  // with any carried-over text kept whole and the cursor at its end.
  signal_map().connect([this] {
    // A cell that took the keyboard for itself (the notes editor) keeps it,
    // whichever of the two is shown first.
    // Only widgets that still have their C++ side are looked at.
    for (GtkWidget* w = windowFocus(*this); w != nullptr; w = gtk_widget_get_parent(w)) {
      if (dynamic_cast<const FramedCell*>(Glib::ObjectBase::_get_current_wrapper(G_OBJECT(w))) != nullptr) return;
    }
    field_.grab_focus_without_selecting();
    field_.set_position(-1);
  });
  field_.set_text(state_.intentText());
  field_.signal_changed().connect([this] {
    if (!syncing_) state_.setIntentText(field_.get_text().raw());
  });
  field_.signal_activate().connect([this] { state_.submit(); });
  dissolve_.signal_clicked().connect([this] { state_.dissolve(); });
  connections_.push_back(state_.signalIntentTextChanged().connect([this] {
    if (field_.get_text().raw() == state_.intentText()) return;
    syncing_ = true;
    field_.set_text(state_.intentText());
    field_.set_position(-1);
    syncing_ = false;
  }));
}

CompactBarView::~CompactBarView() {
  for (auto& c : connections_) c.disconnect();
}

}  // namespace kivari
