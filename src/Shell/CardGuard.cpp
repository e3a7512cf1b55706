#include "Shell/CardGuard.h"

namespace kivari {

CardGuard::CardGuard(Gtk::Widget& card, std::shared_ptr<CardConsent> consent)
    : card_(card), consent_(std::move(consent)) {}

std::shared_ptr<CardGuard> CardGuard::attach(Gtk::Widget& card, std::shared_ptr<CardConsent> consent) {
  std::shared_ptr<CardGuard> guard(new CardGuard(card, std::move(consent)));
  card.signal_map().connect([guard] { guard->awaitFrame(); });
  if (card.get_mapped()) guard->awaitFrame();
  return guard;
}

void CardGuard::setCovered(bool covered) {
  consent_->setCovered(covered);
  if (!covered && card_.get_mapped()) awaitFrame();
}

void CardGuard::awaitFrame() {
  if (awaitingFrame_ || consent_->covered()) return;
  awaitingFrame_ = true;
  // A tick comes as a frame begins, and that frame draws the card.
  card_.add_tick_callback([self = shared_from_this()](const Glib::RefPtr<Gdk::FrameClock>&) {
    self->awaitingFrame_ = false;
    self->consent_->shown();
    return false;
  });
}

void CardGuard::guardAllow(Gtk::Button& allow) {
  auto early = Gtk::GestureClick::create();
  early->set_propagation_phase(Gtk::PropagationPhase::CAPTURE);
  early->signal_pressed().connect([self = shared_from_this(), g = early.get(), &allow](int, double x, double y) {
    Gtk::Widget* at = self->card_.pick(x, y);
    const bool onAllow = at != nullptr && (at == &allow || at->is_ancestor(allow));
    if (onAllow && !self->consent_->takesPress()) g->set_state(Gtk::EventSequenceState::CLAIMED);
  });
  card_.add_controller(early);
  // The button's own start of an activation: Space or Return on it, or
  // gtk_widget_activate, which a screen reader's click goes through. Its
  // click comes on release or a quarter second later, and is judged now.
  g_signal_connect_data(
      allow.gobj(), "activate",
      G_CALLBACK(+[](GtkButton*, gpointer consent) {
        (*static_cast<std::shared_ptr<CardConsent>*>(consent))->activationBegan();
      }),
      new std::shared_ptr<CardConsent>(consent_),
      +[](gpointer consent, GClosure*) { delete static_cast<std::shared_ptr<CardConsent>*>(consent); },
      GConnectFlags{});
}

}  // namespace kivari
