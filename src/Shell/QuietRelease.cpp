#include "Shell/QuietRelease.h"

#include <utility>

namespace kivari {

QuietRelease::QuietRelease(Scheduler& scheduler, Scheduler::Duration quiet, std::function<void()> release)
    : scheduler_(scheduler), quiet_(quiet), release_(std::move(release)) {}

QuietRelease::~QuietRelease() {
  if (token_ != 0) scheduler_.cancel(token_);
}

void QuietRelease::painted() {
  if (token_ != 0) scheduler_.cancel(token_);
  token_ = scheduler_.schedule(quiet_, [this] {
    token_ = 0;
    release_();
  });
}

}  // namespace kivari
