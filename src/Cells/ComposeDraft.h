#pragma once

#include "Core/Scheduler.h"
#include "Intent/NativeAppBridge.h"

#include <functional>
#include <string>

namespace kivari {

enum class ComposeType { message, email };

// The composer's fields and its Send. A send closes the cell half a second
// later only when a program on the desktop took the message; otherwise the
// fields stay as typed and the draft reports the failure.
class ComposeDraft {
 public:
  // Hands the fields to the desktop; true when a program took them. The
  // subject is empty for a message.
  using Handoff = std::function<bool(ComposeType type, const std::string& to,
                                     const std::string& subject, const std::string& body)>;
  static constexpr Scheduler::Duration kCloseDelay{500};

  // Through the desktop's mail or messaging program: the fields go as a
  // mailto: or sms: address to `launch`.
  static Handoff nativeHandoff(NativeAppBridge::Launcher launch = NativeAppBridge::launchWithDefaultHandler);

  // `scheduler` is the cell's own, so the close never outlives the cell.
  ComposeDraft(ComposeType type, std::string recipient, std::string subject, std::string body,
               Scheduler& scheduler, std::function<void()> onDismiss,
               Handoff handoff = nativeHandoff());

  ComposeType type() const { return type_; }
  const std::string& recipient() const { return recipient_; }
  const std::string& subject() const { return subject_; }
  const std::string& body() const { return body_; }
  void setRecipient(std::string text) { recipient_ = std::move(text); }
  void setSubject(std::string text) { subject_ = std::move(text); }
  void setBody(std::string text) { body_ = std::move(text); }
  // Who takes the message from now on.
  void setHandoff(Handoff handoff) { handoff_ = std::move(handoff); }

  // Only an exactly empty recipient holds Send back; blanks are text.
  bool canSend() const { return !recipient_.empty(); }
  // The last send found no program to take the message.
  bool sendFailed() const { return sendFailed_; }
  // Hands the fields on exactly as typed; true when they were taken.
  bool send();

 private:
  ComposeType type_;
  std::string recipient_;
  std::string subject_;
  std::string body_;
  Scheduler& scheduler_;
  std::function<void()> onDismiss_;
  Handoff handoff_;
  bool sendFailed_ = false;
};

}  // namespace kivari
