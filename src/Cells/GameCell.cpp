#include "Cells/GameCell.h"

#include "Core/Text.h"

#include <gio/gio.h>

#include <string_view>
#include <utility>

// Generated from cells.gresource.xml, compiled as C++.
GResource* kivari_cells_get_resource();
void kivari_cells_register_resource();

namespace kivari {

namespace {

struct Backbone {
  std::string_view key;
  std::string_view label;
};

// First match wins, so "chess tetris" is a Tetris game.
constexpr Backbone kBackbones[] = {
    {"candy crush", "King.com"},
    {"tetris", "Tetris Holding"},
    {"chess", "Lichess.org"},
    {"wordle", "NYTimes.com"},
    {"solitaire", "Microsoft.com"},
    {"2048", "gabrielecirulli.github.io"},
};

}  // namespace

std::string dnaBackbone(const std::string& gameName) {
  const std::string lowered = text::lowercased(gameName);
  for (const auto& [key, label] : kBackbones) {
    if (lowered.find(key) != std::string::npos) return std::string(label);
  }
  return gameName + " API";
}

std::string shownText(std::string_view text, std::size_t limit) { return text::displayPrefix(text, limit); }

const std::string& matchThreeHTML() {
  static const std::string page = [] {
    kivari_cells_register_resource();
    GBytes* bytes = g_resource_lookup_data(kivari_cells_get_resource(), "/org/kivari/cells/match-three.html",
                                           G_RESOURCE_LOOKUP_FLAGS_NONE, nullptr);
    gsize size = 0;
    const auto* data = static_cast<const char*>(g_bytes_get_data(bytes, &size));
    std::string text(data, size);
    g_bytes_unref(bytes);
    return text;
  }();
  return page;
}

std::array<MaterializationStep, 4> materializationSteps(const std::string& backbone) {
  return {{
      {"Reading DNA from " + backbone + " backbone\u2026", "DNA"},
      {"Transcribing RNA \u2192 UI sequence\u2026", "RNA"},
      {"Protein folding (rendering components)\u2026", "FOLD"},
      {"Cell membrane forming\u2026", "CELL"},
  }};
}

StepState stepState(int row, int stepIndex) {
  if (row < stepIndex) return StepState::done;
  if (row == stepIndex) return StepState::current;
  return StepState::pending;
}

MaterializationSequence::MaterializationSequence(Scheduler& scheduler, std::function<void()> onChange)
    : scheduler_(scheduler), onChange_(std::move(onChange)) {}

MaterializationSequence::~MaterializationSequence() { cancel(); }

void MaterializationSequence::start() {
  if (started_) return;
  started_ = true;
  token_ = scheduler_.schedule(kStepTime, [this] { advance(); });
}

void MaterializationSequence::cancel() {
  if (token_ != 0) scheduler_.cancel(token_);
  token_ = 0;
}

void MaterializationSequence::advance() {
  token_ = 0;
  if (stepIndex_ < kStepCount) {
    ++stepIndex_;
    token_ = scheduler_.schedule(stepIndex_ < kStepCount ? kStepTime : kSettleTime, [this] { advance(); });
  } else {
    isCellActive_ = true;
  }
  if (onChange_) onChange_();
}

}  // namespace kivari
