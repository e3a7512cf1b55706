#pragma once

#include "Core/Scheduler.h"

#include <cstddef>
#include <functional>

namespace kivari {

// The help cell's reveal: the answer a moment after the cell is first shown,
// then the examples one by one. Give it the cell's own scheduler, so its
// steps end with the cell.
class HelpReveal {
 public:
  static constexpr Scheduler::Duration kAnswerDelay{300};
  static constexpr Scheduler::Duration kExampleInterval{120};

  // `changed` runs after every step.
  HelpReveal(Scheduler& scheduler, std::size_t exampleCount, std::function<void()> changed);
  ~HelpReveal();
  HelpReveal(const HelpReveal&) = delete;
  HelpReveal& operator=(const HelpReveal&) = delete;

  // Starts the sequence; it runs once, later calls do nothing.
  void start();
  bool showAnswer() const { return showAnswer_; }
  std::size_t revealedExamples() const { return revealed_; }

 private:
  void step();

  Scheduler& scheduler_;
  std::size_t exampleCount_;
  std::function<void()> changed_;
  bool started_ = false;
  bool showAnswer_ = false;
  std::size_t revealed_ = 0;
  Scheduler::Token token_ = 0;
};

// A picked example goes down the road this long after its help cell began to dissolve.
inline constexpr Scheduler::Duration kHelpExampleSubmitDelay{300};

}  // namespace kivari
