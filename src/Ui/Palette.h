#pragma once

#include "Core/StatusMessage.h"

#include <array>
#include <string>

namespace kivari {

struct Rgba {
  double r = 0, g = 0, b = 0, a = 1;
  Rgba withAlpha(double alpha) const { return {r, g, b, alpha}; }
  bool operator==(const Rgba&) const = default;
  // "rgba(r,g,b,a)" for CSS.
  std::string css() const;
};

// Hue, saturation and brightness, each 0...1, to RGB.
Rgba fromHSB(double hue, double saturation, double brightness, double alpha = 1);

// The named colours of the look, as they appear on a dark background.
namespace palette {
inline constexpr Rgba white{1, 1, 1, 1};
inline constexpr Rgba black{0, 0, 0, 1};
inline constexpr Rgba cyan{100 / 255.0, 210 / 255.0, 255 / 255.0, 1};
inline constexpr Rgba green{48 / 255.0, 209 / 255.0, 88 / 255.0, 1};
inline constexpr Rgba red{255 / 255.0, 69 / 255.0, 58 / 255.0, 1};
inline constexpr Rgba blue{10 / 255.0, 132 / 255.0, 255 / 255.0, 1};
inline constexpr Rgba orange{255 / 255.0, 159 / 255.0, 10 / 255.0, 1};
inline constexpr Rgba yellow{255 / 255.0, 214 / 255.0, 10 / 255.0, 1};
inline constexpr Rgba purple{191 / 255.0, 90 / 255.0, 242 / 255.0, 1};
inline constexpr Rgba pink{255 / 255.0, 55 / 255.0, 95 / 255.0, 1};
inline constexpr Rgba mint{102 / 255.0, 212 / 255.0, 207 / 255.0, 1};
inline constexpr Rgba teal{64 / 255.0, 200 / 255.0, 224 / 255.0, 1};
inline constexpr Rgba indigo{94 / 255.0, 92 / 255.0, 230 / 255.0, 1};
inline constexpr Rgba gray{142 / 255.0, 142 / 255.0, 147 / 255.0, 1};
}  // namespace palette

// The desktop's 3-by-3 mesh: colours in row-major order at (0,0), (0.5,0) ... (1,1).
const std::array<Rgba, 9>& desktopMeshColors();

Rgba ribbonDotColor(StatusMessage::MessageType type);
Rgba ribbonTextColor(StatusMessage::MessageType type);

}  // namespace kivari
