#include "Shell/CardGuard.h"

namespace kivari {

CardGuard::CardGuard(Gtk::Widget& card, std::shared_ptr<CardConsent> consent)
    : card_(card), consent_(std::move(consent)) {}

CardGuard::~CardGuard() { stopAwaiting(); }

std::shared_ptr<CardGuard> CardGuard::attach(Gtk::Widget& card, std::shared_ptr<CardConsent> consent) {
  std::shared_ptr<CardGuard> guard(new CardGuard(card, std::move(consent)));
  card.signal_map().connect([guard] { guard->awaitFrame(); });
  card.signal_unmap().connect([weak = std::weak_ptr<CardGuard>(guard)] {
    if (auto self = weak.lock()) self->stopAwaiting();
  });
  if (card.get_mapped()) guard->awaitFrame();
  return guard;
}

void CardGuard::setCovered(bool covered) {
  consent_->setCovered(covered);
  if (covered) {
    stopAwaiting();
  } else if (card_.get_mapped()) {
    awaitFrame();
  }
}

void CardGuard::awaitFrame() {
  if (tick_ != 0 || painted_ != 0 || consent_->covered()) return;
  // A tick comes as a frame begins, and that frame draws the card; it has
  // been drawn only once the frame is over.
  tick_ = card_.add_tick_callback([weak = weak_from_this()](const Glib::RefPtr<Gdk::FrameClock>& clock) {
    if (auto self = weak.lock()) {
      self->tick_ = 0;
      self->clock_ = clock;
      self->painted_ = g_signal_connect_swapped(
          clock->gobj(), "after-paint",
          G_CALLBACK(+[](CardGuard* guard) { guard->framePainted(); }), self.get());
    }
    return false;
  });
}

namespace {

// The opacity the card was last drawn with: a layer fading in from nothing
// leaves it undrawn in its first frame.
double drawnOpacity(const Gtk::Widget& card) {
  double opacity = 1;
  for (const Gtk::Widget* w = &card; w != nullptr && opacity > 0; w = w->get_parent()) opacity *= w->get_opacity();
  return opacity;
}

}  // namespace

void CardGuard::framePainted() {
  stopAwaiting();
  // A frame that drew none of the card showed nothing: the next one may.
  if (drawnOpacity(card_) <= 0) {
    awaitFrame();
    return;
  }
  // The frame has been handed to the display; once it has dealt with
  // everything sent so far, the card is on screen.
  gdk_display_sync(card_.get_display()->gobj());
  consent_->shown();
}

void CardGuard::stopAwaiting() {
  if (tick_ != 0) card_.remove_tick_callback(tick_);
  tick_ = 0;
  if (painted_ != 0) g_signal_handler_disconnect(clock_->gobj(), painted_);
  painted_ = 0;
  clock_.reset();
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
