#pragma once

#include "Core/Scheduler.h"

#include <functional>
#include <string>

namespace kivari {

// The reminder cell's two states: editing, then noted. Noting it keeps the
// text nowhere; the cell closes itself a moment later.
class ReminderNote {
 public:
  static constexpr Scheduler::Duration kCloseDelay{1500};

  // `scheduler` is the cell's own, so the close never outlives the cell.
  ReminderNote(std::string initialText, Scheduler& scheduler, std::function<void()> onDismiss);

  const std::string& text() const { return text_; }
  // Still editable once noted; it changes nothing then.
  void setText(std::string text) { text_ = std::move(text); }
  bool saved() const { return saved_; }
  // Only an exactly empty text holds it back; blanks are text.
  bool canConfirm() const { return !saved_ && !text_.empty(); }
  // Notes it and starts the close; once only. True when it did.
  bool confirm();

 private:
  std::string text_;
  bool saved_ = false;
  Scheduler& scheduler_;
  std::function<void()> onDismiss_;
};

}  // namespace kivari
