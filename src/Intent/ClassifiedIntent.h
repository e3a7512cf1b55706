#pragma once

#include "Core/Expression.h"
#include "Core/ProductivityCategory.h"
#include "Intent/SystemControlAction.h"

#include <optional>

namespace kivari {

// The answer of one classification; all three empty means nothing matched.
struct ClassifiedIntent {
  std::optional<Expression> expression;
  std::optional<SystemControlAction> systemControl;
  std::optional<ProductivityCategory> productivityCategory;

  static ClassifiedIntent withExpression(Expression expression) {
    ClassifiedIntent intent;
    intent.expression = std::move(expression);
    return intent;
  }
  static ClassifiedIntent withAction(SystemControlAction action) {
    ClassifiedIntent intent;
    intent.systemControl = action;
    return intent;
  }
  static ClassifiedIntent withCategory(ProductivityCategory category) {
    ClassifiedIntent intent;
    intent.productivityCategory = category;
    return intent;
  }

  bool isEmpty() const { return !expression && !systemControl && !productivityCategory; }
  bool operator==(const ClassifiedIntent&) const = default;
};

}  // namespace kivari
