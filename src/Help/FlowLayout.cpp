#include "Help/FlowLayout.h"

#include <algorithm>

namespace kivari {

FlowLayout::Arrangement FlowLayout::arrange(double availableWidth, const std::vector<Size>& itemSizes) const {
  Arrangement result;
  result.positions.reserve(itemSizes.size());
  double x = 0, y = 0, rowHeight = 0, widest = 0;
  for (const Size& item : itemSizes) {
    // The first item of a row stays, however wide; one that ends exactly at the edge stays too.
    if (x + item.width > availableWidth && x > 0) {
      y += rowHeight + spacing_;
      x = 0;
      rowHeight = 0;
    }
    result.positions.push_back({x, y});
    rowHeight = std::max(rowHeight, item.height);
    x += item.width + spacing_;
    widest = std::max(widest, x);
  }
  result.size = {widest, y + rowHeight};
  return result;
}

}  // namespace kivari
