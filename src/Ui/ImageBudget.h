#pragma once

#include <cmath>
#include <cstdint>
#include <span>

namespace kivari {

// The pixel images a widget keeps of its drawing: cairo makes none with a
// side over 32,767 pixels, and a cell stretched by some text must not take
// hundreds of megabytes for its frame.
struct ImageSize {
  double width = 0;   // in points
  double height = 0;  // in points
};

inline constexpr int kLargestImageSide = 32767;
inline constexpr std::int64_t kImageBudgetBytes = std::int64_t{64} << 20;

// Whether images of these sizes, drawn at `scale` pixels a point in 32-bit
// colour, can all be made within the side limit and `budgetBytes` together.
inline bool imagesFit(std::span<const ImageSize> sizes, int scale,
                      std::int64_t budgetBytes = kImageBudgetBytes) {
  if (scale < 1) return false;
  std::int64_t bytes = 0;
  for (const ImageSize& size : sizes) {
    const double width = size.width * scale, height = size.height * scale;
    if (!(width >= 0 && height >= 0)) return false;  // also refuses NaN
    if (width > kLargestImageSide || height > kLargestImageSide) return false;
    // Both sides are now small enough that the product cannot overflow.
    bytes += static_cast<std::int64_t>(std::ceil(width)) * static_cast<std::int64_t>(std::ceil(height)) * 4;
    if (bytes > budgetBytes) return false;
  }
  return true;
}

}  // namespace kivari
