#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kivari {

// A kind of document or meeting that several web services can serve.
enum class ProductivityCategory { spreadsheet, presentation, document, videoCall, calendarEvent };

inline constexpr ProductivityCategory kAllProductivityCategories[] = {
    ProductivityCategory::spreadsheet, ProductivityCategory::presentation,
    ProductivityCategory::document, ProductivityCategory::videoCall,
    ProductivityCategory::calendarEvent};

std::string_view rawValue(ProductivityCategory category);
std::optional<ProductivityCategory> productivityCategoryFromRaw(std::string_view raw);
std::string_view displayName(ProductivityCategory category);
// A system symbol name.
std::string_view icon(ProductivityCategory category);
// The picker's question.
std::string prompt(ProductivityCategory category);

}  // namespace kivari
