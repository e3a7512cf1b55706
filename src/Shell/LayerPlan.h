#pragma once

#include "Core/AppMode.h"

namespace kivari {

// Which layers the root view shows for a mode, and how each one enters.
struct LayerPlan {
  bool promptDesktop = false;
  bool cell = false;
  bool dnaPicker = false;
  bool capabilityCard = false;
  bool compactBar = false;
  bool escapeDissolves = false;

  bool operator==(const LayerPlan&) const = default;
};

LayerPlan layerPlan(const AppMode& mode);

// Scale a layer starts from when it fades in (and returns to as it fades out).
inline constexpr double kPromptDesktopEntryScale = 0.98;
inline constexpr double kCellEntryScale = 0.96;
inline constexpr double kCardEntryScale = 0.97;
inline constexpr int kModeAnimationMs = 500;
// The suggestion list comes and goes faster than a mode change.
inline constexpr int kSuggestionFadeMs = 150;

// Animation curves: time 0...1 (clamped) to progress 0...1.
double easeInOut(double t);
double easeOut(double t);

}  // namespace kivari
