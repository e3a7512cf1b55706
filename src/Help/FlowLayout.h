#pragma once

#include <limits>
#include <vector>

namespace kivari {

// Places items left to right in rows, starting a new row when the next item
// does not fit, like words in a paragraph. Pure arithmetic; the view measures
// and places the widgets.
class FlowLayout {
 public:
  struct Size {
    double width = 0;
    double height = 0;
    bool operator==(const Size&) const = default;
  };
  struct Point {
    double x = 0;
    double y = 0;
    bool operator==(const Point&) const = default;
  };
  struct Arrangement {
    std::vector<Point> positions;  // top-leading corner of each item, in item order
    Size size;
  };

  static constexpr double kOpenWidth = std::numeric_limits<double>::infinity();

  explicit FlowLayout(double spacing = 8) : spacing_(spacing) {}
  double spacing() const { return spacing_; }

  // `itemSizes` are the items' ideal sizes; an item is never narrowed, so one
  // wider than `availableWidth` sits alone in its row and reaches past it.
  // The width counts one spacing after the furthest-reaching row's last item.
  Arrangement arrange(double availableWidth, const std::vector<Size>& itemSizes) const;

 private:
  double spacing_;
};

}  // namespace kivari
