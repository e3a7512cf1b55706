#include "Help/HelpReveal.h"

namespace kivari {

HelpReveal::HelpReveal(Scheduler& scheduler, std::size_t exampleCount, std::function<void()> changed)
    : scheduler_(scheduler), exampleCount_(exampleCount), changed_(std::move(changed)) {}

HelpReveal::~HelpReveal() {
  if (token_ != 0) scheduler_.cancel(token_);
}

void HelpReveal::start() {
  if (started_) return;
  started_ = true;
  token_ = scheduler_.schedule(kAnswerDelay, [this] { step(); });
}

void HelpReveal::step() {
  token_ = 0;
  if (!showAnswer_) {
    showAnswer_ = true;
  } else {
    ++revealed_;
  }
  if (revealed_ < exampleCount_) token_ = scheduler_.schedule(kExampleInterval, [this] { step(); });
  if (changed_) changed_();
}

}  // namespace kivari
