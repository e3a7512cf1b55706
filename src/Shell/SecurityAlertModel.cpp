#include "Shell/SecurityAlertModel.h"

#include "Shell/LayerPlan.h"

#include <cmath>

namespace kivari {

double alertGlowLevel(double seconds) {
  if (seconds <= 0) return 0;
  const double phase = std::fmod(seconds / kAlertGlowSeconds, 2.0);
  return easeInOut(phase <= 1 ? phase : 2 - phase);
}

SecurityAlertLoop::SecurityAlertLoop(Scheduler& scheduler, UniformRandom random)
    : scheduler_(scheduler), random_(random) {}

SecurityAlertLoop::~SecurityAlertLoop() {
  if (token_ != 0) scheduler_.cancel(token_);
}

void SecurityAlertLoop::start() {
  if (isRunning()) return;
  waitForNextNotice();
}

void SecurityAlertLoop::stop() {
  if (token_ != 0) scheduler_.cancel(token_);
  token_ = 0;
  set(AlertPhase::hidden, false);
}

void SecurityAlertLoop::waitForNextNotice() {
  const double seconds = isFirstRun_ ? random_.uniform(kFirstWaitMin, kFirstWaitMax)
                                     : random_.uniform(kLaterWaitMin, kLaterWaitMax);
  isFirstRun_ = false;
  const Scheduler::Duration wait{std::llround(seconds * 1000)};
  token_ = scheduler_.schedule(wait, [this] {
    set(AlertPhase::threat, true);
    token_ = scheduler_.schedule(kThreatTime, [this] {
      set(AlertPhase::secured, false);
      token_ = scheduler_.schedule(kSecuredTime, [this] {
        set(AlertPhase::hidden, false);
        waitForNextNotice();
      });
    });
  });
}

void SecurityAlertLoop::set(AlertPhase phase, bool glow) {
  if (phase == phase_ && glow == pulseGlow_) return;
  phase_ = phase;
  pulseGlow_ = glow;
  changed_.emit();
}

}  // namespace kivari
