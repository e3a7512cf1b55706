#pragma once

#include "Core/Expression.h"
#include "Core/ProductivityCategory.h"
#include "Core/Scheduler.h"
#include "Core/Url.h"
#include "Ui/Palette.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kivari {

// One web service that can serve a productivity request.
struct DNAOption {
  std::string id;  // fresh for every option made
  std::string name;
  std::string provider;  // what a pick reports
  std::string dnaLabel;
  std::string protocolLabel;
  Url url;
  std::string icon;
  Rgba color;
};

// The category's two services, first row first.
std::vector<DNAOption> dnaOptions(ProductivityCategory category);

// What the capability card shows for a cell, decided once per showing.
struct CapabilityCardContent {
  struct Badge {
    std::string text;
    std::string symbol;
    Rgba color;
  };

  bool verified = false;
  std::string shieldSymbol;
  Rgba shieldColor;
  std::string title;
  std::string description;
  Badge badge;
  std::vector<ExpressionCapability> capabilities;  // empty: "No special capabilities requested"

  static CapabilityCardContent of(const Expression& expression);
  // What the card asks the user to allow, in one line for a screen reader:
  // each capability and why, every reason cut to `longestReason` characters.
  std::string request(std::size_t longestReason) const;
};

// Whether the card on screen may take the user's answer. Only a card the
// user could see answers, and only once. Allow waits until the card has
// been on screen, uncovered, for half a second, as permission dialogs do:
// the clock starts at the first frame that shows it, not when it is built.
// A press or activation is judged when it begins, never when it ends.
class CardConsent {
 public:
  static constexpr Scheduler::Duration kUnseenGrace{500};
  // How many presses of Return or Space the window has seen so far.
  using PressCount = std::function<unsigned()>;

  CardConsent(Scheduler& scheduler, bool covered, PressCount presses = {});
  CardConsent(const CardConsent&) = delete;
  CardConsent& operator=(const CardConsent&) = delete;

  // A frame that shows the card has been drawn.
  void shown();
  // Covering takes readiness away; once uncovered, the half second starts
  // again at the next frame shown.
  void setCovered(bool covered);
  bool covered() const { return covered_; }
  bool allowReady() const { return ready_; }
  // Whether a frame has shown the card since it was last covered: its half
  // second runs, or has run.
  bool seen() const { return ready_ || grace_ != 0; }
  // Whether a press that starts now (a click on Allow) may end in an answer.
  bool takesPress() const { return ready_ && !covered_ && !answered_; }
  // Takes an answer (Allow when `allowing`, else Deny or a pick): true the
  // one time it may act, false while covered, after an answer, and for
  // Allow before the card is ready.
  bool answer(bool allowing);

  // An activation of Allow began (a key on it, or an assistive
  // technology's click); the click that ends it is judged by this moment.
  // One already under way takes no second start, as the button does.
  void activationBegan();
  // Allow was clicked: the click of an activation begun too early presses
  // nothing, whenever it comes; any other is an answer as answer(true).
  bool allowClicked();

  // The user moved the focus on the card (Tab, an arrow).
  void noteFocusMoved() { focusMovedByUser_ = true; }
  bool focusMovedByUser() const { return focusMovedByUser_; }
  // Whether the key press numbered `press` (counted as PressCount counts)
  // began before the card was last ready and in view: held or repeating,
  // it was not meant for the card as the user sees it.
  bool pressedEarly(unsigned press) const { return press != 0 && press <= earlyPresses_; }

 private:
  ScopedScheduler steps_;
  PressCount presses_;
  Scheduler::Token grace_ = 0;
  bool ready_ = false;
  bool covered_;
  bool answered_ = false;
  bool focusMovedByUser_ = false;
  bool activating_ = false;
  bool activationVoid_ = false;
  unsigned earlyPresses_ = 0;
};

}  // namespace kivari
