#include "Cells/ComposeDraft.h"

#include <utility>

namespace kivari {

ComposeDraft::ComposeDraft(ComposeType type, std::string recipient, std::string subject,
                           std::string body, Scheduler& scheduler, std::function<void()> onDismiss,
                           Handoff handoff)
    : type_(type),
      recipient_(std::move(recipient)),
      subject_(std::move(subject)),
      body_(std::move(body)),
      scheduler_(scheduler),
      onDismiss_(std::move(onDismiss)),
      handoff_(std::move(handoff)) {}

ComposeDraft::~ComposeDraft() { scheduler_.cancel(longWait_); }

ComposeDraft::Handoff ComposeDraft::nativeHandoff(NativeAppBridge::Launcher launch) {
  return [launch = std::move(launch)](ComposeType type, const std::string& to, const std::string& subject,
                                      const std::string& body, NativeAppBridge::Answer answer) {
    if (type == ComposeType::email) return NativeAppBridge::openMail(to, subject, body, std::move(answer), launch);
    NativeAppBridge::openMessages(to, body, std::move(answer), launch);
  };
}

std::string ComposeDraft::failureLine() const {
  const bool email = type_ == ComposeType::email;
  if (!sendFailed()) return {};
  if (*outcome_ == Outcome::tooLong) {
    return email ? "Not sent \u00b7 The e-mail is too long to hand to the mail program"
                 : "Not sent \u00b7 The message is too long to hand to the messaging program";
  }
  return email ? "Not sent \u00b7 No mail program on this desktop took the e-mail"
               : "Not sent \u00b7 No program on this desktop can send text messages";
}

std::string ComposeDraft::waitingLine() const {
  if (!waitedLong_) return {};
  return type_ == ComposeType::email
             ? "Waiting for the mail program \u00b7 It has not answered yet and may still open the e-mail"
             : "Waiting for the messaging program \u00b7 It has not answered yet and may still open the message";
}

void ComposeDraft::send() {
  if (!canSend()) return;
  sending_ = true;
  outcome_.reset();
  if (!handoff_) return answered(Outcome::noProgram);
  const std::string noSubject;
  handoff_(type_, recipient_, type_ == ComposeType::email ? subject_ : noSubject, body_,
           [this, alive = std::weak_ptr<char>(alive_)](Outcome outcome) {
             if (!alive.expired()) answered(outcome);
           });
  if (!sending_) return;
  longWait_ = scheduler_.schedule(kLongWait, [this] {
    longWait_ = 0;
    waitedLong_ = true;
    if (onAnswer_) onAnswer_();
  });
}

void ComposeDraft::answered(Outcome outcome) {
  if (!sending_) return;  // one answer per send
  sending_ = false;
  scheduler_.cancel(longWait_);
  longWait_ = 0;
  waitedLong_ = false;
  outcome_ = outcome;
  if (outcome == Outcome::taken) {
    // The close may take this draft with it; it touches nothing after.
    scheduler_.schedule(kCloseDelay, [dismiss = onDismiss_] {
      if (dismiss) dismiss();
    });
  }
  if (onAnswer_) onAnswer_();
}

}  // namespace kivari
