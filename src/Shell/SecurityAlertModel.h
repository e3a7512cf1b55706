#pragma once

#include "Core/UniformRandom.h"
#include "Core/Scheduler.h"

#include <sigc++/signal.h>

namespace kivari {

enum class AlertPhase { hidden, threat, secured };

// The threat's glow, 0 (at rest) to 1 (full), `seconds` after it began: up
// and back down in 0.8 s each way, eased at both ends.
inline constexpr double kAlertGlowSeconds = 0.8;
double alertGlowLevel(double seconds);

// The security banner's staging: after a random wait (15 to 30 s the first
// time, 90 to 300 s later) a threat notice for 4 s, then "all safe" for
// 2.5 s, then hidden again, for as long as the banner is shown. Nothing is
// detected; it is a fixed piece of staging.
class SecurityAlertLoop {
 public:
  static constexpr double kFirstWaitMin = 15, kFirstWaitMax = 30;
  static constexpr double kLaterWaitMin = 90, kLaterWaitMax = 300;
  static constexpr Scheduler::Duration kThreatTime{4000};
  static constexpr Scheduler::Duration kSecuredTime{2500};

  SecurityAlertLoop(Scheduler& scheduler, UniformRandom random);
  ~SecurityAlertLoop();
  SecurityAlertLoop(const SecurityAlertLoop&) = delete;
  SecurityAlertLoop& operator=(const SecurityAlertLoop&) = delete;

  // The banner came into view: the loop runs (once, however often called).
  void start();
  // The banner left the view: the loop ends and the notice is hidden.
  void stop();
  bool isRunning() const { return token_ != 0; }

  AlertPhase phase() const { return phase_; }
  bool pulseGlow() const { return pulseGlow_; }
  bool isFirstRun() const { return isFirstRun_; }

  // Fires after every change of phase or glow.
  sigc::signal<void()>& signalChanged() { return changed_; }

 private:
  void waitForNextNotice();
  void set(AlertPhase phase, bool glow);

  Scheduler& scheduler_;
  UniformRandom random_;
  Scheduler::Token token_ = 0;
  AlertPhase phase_ = AlertPhase::hidden;
  bool pulseGlow_ = false;
  bool isFirstRun_ = true;
  sigc::signal<void()> changed_;
};

}  // namespace kivari
