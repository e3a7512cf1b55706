#include "Core/ProductivityCategory.h"

namespace kivari {

namespace {

struct Row {
  ProductivityCategory category;
  std::string_view raw;
  std::string_view display;
  std::string_view icon;
  std::string_view lowerDisplay;
};

constexpr Row kRows[] = {
    {ProductivityCategory::spreadsheet, "spreadsheet", "Spreadsheet", "tablecells", "spreadsheet"},
    {ProductivityCategory::presentation, "presentation", "Presentation",
     "rectangle.on.rectangle.angled", "presentation"},
    {ProductivityCategory::document, "document", "Document", "doc.text", "document"},
    {ProductivityCategory::videoCall, "videoCall", "Video Call", "video", "video call"},
    {ProductivityCategory::calendarEvent, "calendarEvent", "Calendar Event", "calendar.badge.plus",
     "calendar event"},
};

const Row& row(ProductivityCategory category) {
  return kRows[static_cast<int>(category)];
}

}  // namespace

std::string_view rawValue(ProductivityCategory category) { return row(category).raw; }

std::optional<ProductivityCategory> productivityCategoryFromRaw(std::string_view raw) {
  for (const auto& r : kRows) {
    if (r.raw == raw) return r.category;
  }
  return std::nullopt;
}

std::string_view displayName(ProductivityCategory category) { return row(category).display; }

std::string_view icon(ProductivityCategory category) { return row(category).icon; }

std::string prompt(ProductivityCategory category) {
  return "Choose a DNA source for your " + std::string(row(category).lowerDisplay);
}

}  // namespace kivari
