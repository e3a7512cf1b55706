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

ComposeDraft::Handoff ComposeDraft::nativeHandoff(NativeAppBridge::Launcher launch) {
  return [launch = std::move(launch)](ComposeType type, const std::string& to, const std::string& subject,
                                      const std::string& body) {
    if (type == ComposeType::email) return NativeAppBridge::openMail(to, subject, body, launch);
    return NativeAppBridge::openMessages(to, body, launch);
  };
}

bool ComposeDraft::send() {
  if (!canSend()) return false;
  const std::string noSubject;
  const bool taken =
      handoff_ && handoff_(type_, recipient_, type_ == ComposeType::email ? subject_ : noSubject, body_);
  sendFailed_ = !taken;
  if (taken) {
    // The close may take this draft with it; it touches nothing after.
    scheduler_.schedule(kCloseDelay, [dismiss = onDismiss_] {
      if (dismiss) dismiss();
    });
  }
  return taken;
}

}  // namespace kivari
