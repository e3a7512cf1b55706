#include "Shell/LayerPlan.h"

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

}  // namespace kivari
