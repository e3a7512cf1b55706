#pragma once

#include "Core/Scheduler.h"
#include "Intent/NativeAppBridge.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace kivari {

enum class ComposeType { message, email };

// The composer's fields and its Send. A send closes the cell half a second
// after a program on the desktop took the message; otherwise the fields stay
// as typed and the draft says why it was not sent. An answer long in coming
// is still waited for: the draft says the program has not answered yet.
class ComposeDraft {
 public:
  using Outcome = NativeAppBridge::Outcome;
  // Hands the fields to the desktop and tells `answer` once, now or later,
  // what became of them. The subject is empty for a message.
  using Handoff = std::function<void(ComposeType type, const std::string& to, const std::string& subject,
                                     const std::string& body, NativeAppBridge::Answer answer)>;
  static constexpr Scheduler::Duration kCloseDelay{500};
  // As long as GDBus waits by default, past which GIO alone would have
  // said no program took it.
  static constexpr Scheduler::Duration kLongWait{25000};

  // Through the desktop's mail or messaging program: the fields go as a
  // mailto: or sms: address to `launch`.
  static Handoff nativeHandoff(NativeAppBridge::Launcher launch = NativeAppBridge::launchWithDefaultHandler);

  // `scheduler` is the cell's own, so the close never outlives the cell.
  ComposeDraft(ComposeType type, std::string recipient, std::string subject, std::string body,
               Scheduler& scheduler, std::function<void()> onDismiss,
               Handoff handoff = nativeHandoff());
  // An answer that comes once the draft has gone is dropped.
  ~ComposeDraft();
  ComposeDraft(const ComposeDraft&) = delete;
  ComposeDraft& operator=(const ComposeDraft&) = delete;

  ComposeType type() const { return type_; }
  const std::string& recipient() const { return recipient_; }
  const std::string& subject() const { return subject_; }
  const std::string& body() const { return body_; }
  void setRecipient(std::string text) { recipient_ = std::move(text); }
  void setSubject(std::string text) { subject_ = std::move(text); }
  void setBody(std::string text) { body_ = std::move(text); }
  // Who takes the message from now on.
  void setHandoff(Handoff handoff) { handoff_ = std::move(handoff); }
  // Told when a send's answer has come, and when it has been long in coming.
  void setOnAnswer(std::function<void()> onAnswer) { onAnswer_ = std::move(onAnswer); }

  // An exactly empty recipient holds Send back (blanks are text), and so does
  // a send still waiting for its answer.
  bool canSend() const { return !recipient_.empty() && !sending_; }
  bool sending() const { return sending_; }
  // The last send's answer was that it was not sent.
  bool sendFailed() const { return outcome_.has_value() && *outcome_ != Outcome::taken; }
  // Why, in words; empty when it did not fail.
  std::string failureLine() const;
  // The send has waited long for its answer, which may still be that it was taken.
  bool waitingLong() const { return waitedLong_; }
  // Says so; empty while it has not.
  std::string waitingLine() const;
  // Hands the fields on exactly as typed.
  void send();

 private:
  void answered(Outcome outcome);

  ComposeType type_;
  std::string recipient_;
  std::string subject_;
  std::string body_;
  Scheduler& scheduler_;
  std::function<void()> onDismiss_;
  Handoff handoff_;
  std::function<void()> onAnswer_;
  bool sending_ = false;
  bool waitedLong_ = false;
  Scheduler::Token longWait_ = 0;
  std::optional<Outcome> outcome_;
  std::shared_ptr<char> alive_ = std::make_shared<char>();
};

}  // namespace kivari
