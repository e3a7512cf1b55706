#pragma once

#include "Core/Expression.h"
#include "Core/ProductivityCategory.h"
#include "Core/Url.h"
#include "Shell/Palette.h"

#include <string>
#include <vector>

namespace kivari {

// One web service that can serve a productivity request.
struct DNAOption {
  std::string id;  // fresh for every option made
  std::string name;
  std::string provider;  // what a pick reports
  std::string dnaLabel;
  std::string protocolLabel;
  Url url;
  std::string icon;
  Rgba color;
};

// The category's two services, first row first.
std::vector<DNAOption> dnaOptions(ProductivityCategory category);

// What the capability card shows for a cell, decided once per showing.
struct CapabilityCardContent {
  struct Badge {
    std::string text;
    std::string symbol;
    Rgba color;
  };

  bool verified = false;
  std::string shieldSymbol;
  Rgba shieldColor;
  std::string title;
  std::string description;
  Badge badge;
  std::vector<ExpressionCapability> capabilities;  // empty: "No special capabilities requested"

  static CapabilityCardContent of(const Expression& expression);
};

// How far the membrane's breath has swung: 0 at rest, 1 at full, easing in
// and out over 3 s each way, for as long as the cell is shown.
double breathLevel(double secondsShown);

}  // namespace kivari
