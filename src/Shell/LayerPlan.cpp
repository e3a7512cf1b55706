#include "Shell/LayerPlan.h"

#include <algorithm>

namespace kivari {

LayerPlan layerPlan(const AppMode& mode) {
  LayerPlan plan;
  plan.promptDesktop = !mode.isExpressing();
  plan.cell = mode.isExpressing();
  plan.dnaPicker = mode.as<AppMode::DnaPicker>() != nullptr;
  plan.capabilityCard = mode.as<AppMode::CapabilityPrompt>() != nullptr;
  plan.compactBar = mode.isExpressing();
  plan.escapeDissolves = mode.isExpressing();
  return plan;
}

double easeInOut(double t) {
  t = std::clamp(t, 0.0, 1.0);
  return t < 0.5 ? 2 * t * t : 1 - 2 * (1 - t) * (1 - t);
}

double easeOut(double t) {
  t = std::clamp(t, 0.0, 1.0);
  return 1 - (1 - t) * (1 - t);
}

}  // namespace kivari
