#include "Cells/ReminderNote.h"

namespace kivari {

ReminderNote::ReminderNote(std::string initialText, Scheduler& scheduler,
                           std::function<void()> onDismiss)
    : text_(std::move(initialText)), scheduler_(scheduler), onDismiss_(std::move(onDismiss)) {}

bool ReminderNote::confirm() {
  if (!canConfirm()) return false;
  saved_ = true;
  // The close may take this note with it; it touches nothing after.
  scheduler_.schedule(kCloseDelay, [dismiss = onDismiss_] {
    if (dismiss) dismiss();
  });
  return true;
}

}  // namespace kivari
