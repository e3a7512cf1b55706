#pragma once

#include "Shell/Cards.h"

#include <gtkmm.h>

#include <memory>

namespace kivari {

// A card's own hold on its input, for its consent: starts the half second
// once the first frame that shows the card uncovered has been drawn, and
// judges a press or activation of Allow when it begins. The card's handlers
// keep it, so it lives as long as the card it guards.
class CardGuard : public std::enable_shared_from_this<CardGuard> {
 public:
  static std::shared_ptr<CardGuard> attach(Gtk::Widget& card, std::shared_ptr<CardConsent> consent);
  ~CardGuard();
  CardGuard(const CardGuard&) = delete;
  CardGuard& operator=(const CardGuard&) = delete;

  // Allow on this card: a pointer press on it begun too early is caught on
  // its way down, so the button never sees it; a key's or an assistive
  // technology's activation is noted as it starts.
  void guardAllow(Gtk::Button& allow);
  // Only while the card lives.
  void setCovered(bool covered);

 private:
  CardGuard(Gtk::Widget& card, std::shared_ptr<CardConsent> consent);
  // Tells the consent once the next frame, which shows the card, is drawn.
  void awaitFrame();
  void framePainted();
  // A frame awaited for a card now unmapped or covered shows nothing.
  void stopAwaiting();

  Gtk::Widget& card_;
  std::shared_ptr<CardConsent> consent_;
  guint tick_ = 0;
  // The clock whose after-paint is awaited, and the handler there.
  Glib::RefPtr<Gdk::FrameClock> clock_;
  gulong painted_ = 0;
};

}  // namespace kivari
