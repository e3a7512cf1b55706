#include "Ui/Palette.h"

#include <cmath>
#include <cstdio>

namespace kivari {

std::string Rgba::css() const {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "rgba(%d,%d,%d,%.3f)", static_cast<int>(std::lround(r * 255)),
                static_cast<int>(std::lround(g * 255)), static_cast<int>(std::lround(b * 255)), a);
  return buffer;
}

Rgba fromHSB(double hue, double saturation, double brightness, double alpha) {
  const double h = std::fmod(std::fmod(hue, 1.0) + 1.0, 1.0) * 6.0;
  const int sector = static_cast<int>(std::floor(h)) % 6;
  const double f = h - std::floor(h);
  const double v = brightness;
  const double p = v * (1 - saturation);
  const double q = v * (1 - saturation * f);
  const double t = v * (1 - saturation * (1 - f));
  switch (sector) {
    case 0: return {v, t, p, alpha};
    case 1: return {q, v, p, alpha};
    case 2: return {p, v, t, alpha};
    case 3: return {p, q, v, alpha};
    case 4: return {t, p, v, alpha};
    default: return {v, p, q, alpha};
  }
}

const std::array<Rgba, 9>& desktopMeshColors() {
  static const std::array<Rgba, 9> colors = {
      fromHSB(0.72, 0.45, 0.10), fromHSB(0.65, 0.35, 0.08), fromHSB(0.58, 0.40, 0.09),
      fromHSB(0.75, 0.30, 0.07), fromHSB(0.68, 0.25, 0.06), fromHSB(0.60, 0.35, 0.08),
      fromHSB(0.78, 0.40, 0.05), fromHSB(0.70, 0.30, 0.04), fromHSB(0.63, 0.35, 0.06),
  };
  return colors;
}

Rgba ribbonDotColor(StatusMessage::MessageType type) {
  switch (type) {
    case StatusMessage::MessageType::system: return palette::white.withAlpha(0.4);
    case StatusMessage::MessageType::user: return palette::cyan;
    case StatusMessage::MessageType::success: return palette::green;
    case StatusMessage::MessageType::error: return palette::red;
  }
  return palette::white;
}

Rgba ribbonTextColor(StatusMessage::MessageType type) {
  if (type == StatusMessage::MessageType::system) return palette::white.withAlpha(0.6);
  return ribbonDotColor(type);
}

}  // namespace kivari
