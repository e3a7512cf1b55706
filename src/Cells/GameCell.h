#pragma once

#include "Core/Scheduler.h"

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace kivari {

// The fixed source a game cell names for a game: a well-known game's
// backbone, or the name itself followed by " API".
std::string dnaBackbone(const std::string& gameName);

// What the cell shows of a name or label: at most `limit` characters, then
// "…" when there were more. Laying out a name of tens of thousands of
// characters would stall the window; nobody reads that far. Cuts only
// between characters.
inline constexpr std::size_t kShownNameLimit = 100;
std::string shownText(std::string_view text, std::size_t limit = kShownNameLimit);

// The built-in match-three page every game cell shows, held in the program.
const std::string& matchThreeHTML();

struct MaterializationStep {
  std::string label;
  std::string tag;
};

// The four steps the panel ticks off, in order.
std::array<MaterializationStep, 4> materializationSteps(const std::string& backbone);

enum class StepState { done, current, pending };

// How the row `row` (0 to 3) looks once `stepIndex` steps are complete.
StepState stepState(int row, int stepIndex);

// The timed sequence of a game cell: a step completes every 900 ms, and
// 500 ms after the fourth the page takes over. Runs once; nothing of it runs
// after its scheduler is cancelled or the object goes.
class MaterializationSequence {
 public:
  static constexpr int kStepCount = 4;
  static constexpr Scheduler::Duration kStepTime{900};
  static constexpr Scheduler::Duration kSettleTime{500};

  // `onChange` runs after every change of stepIndex() or isCellActive().
  MaterializationSequence(Scheduler& scheduler, std::function<void()> onChange);
  ~MaterializationSequence();
  MaterializationSequence(const MaterializationSequence&) = delete;
  MaterializationSequence& operator=(const MaterializationSequence&) = delete;

  // Later calls do nothing.
  void start();
  void cancel();

  int stepIndex() const { return stepIndex_; }
  bool isCellActive() const { return isCellActive_; }

 private:
  void advance();

  Scheduler& scheduler_;
  std::function<void()> onChange_;
  Scheduler::Token token_ = 0;
  int stepIndex_ = 0;
  bool isCellActive_ = false;
  bool started_ = false;
};

}  // namespace kivari
