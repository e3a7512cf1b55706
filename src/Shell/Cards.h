#pragma once

#include "Core/Expression.h"
#include "Core/ProductivityCategory.h"
#include "Core/Url.h"
#include "Ui/Palette.h"

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

}  // namespace kivari
