#pragma once

#include "Ui/Palette.h"

#include <cstddef>
#include <string>
#include <vector>

namespace kivari {

// One example request of the catalog: the prompt submitted when it is
// chosen, what it gives, and other ways of saying it.
struct CatalogEntry {
  std::string prompt;
  std::string label;
  std::vector<std::string> ways;
};

struct CatalogSection {
  std::string title;
  std::string icon;  // system symbol name
  Rgba color;
  std::string description;
  std::vector<CatalogEntry> entries;
};

namespace catalog {

// The catalog's sections in their fixed order; built once, never changed.
const std::vector<CatalogSection>& sections();

// An entry shows at most this many of its ways.
inline constexpr std::size_t kMaxWaysShown = 3;
std::vector<std::string> shownWays(const CatalogEntry& entry);

}  // namespace catalog

}  // namespace kivari
