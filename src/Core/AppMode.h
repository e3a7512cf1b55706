#pragma once

#include "Core/Expression.h"
#include "Core/ProductivityCategory.h"

#include <variant>

namespace kivari {

// What the desktop shows.
class AppMode {
 public:
  struct DnaPicker {
    ProductivityCategory category;
    bool operator==(const DnaPicker&) const = default;
  };
  struct CapabilityPrompt {
    Expression expression;
    bool operator==(const CapabilityPrompt&) const = default;
  };
  struct Expressing {
    Expression expression;
    bool operator==(const Expressing&) const = default;
  };
  struct Prompt {
    bool operator==(const Prompt&) const = default;
  };
  using Payload = std::variant<DnaPicker, CapabilityPrompt, Expressing, Prompt>;

  static AppMode dnaPicker(ProductivityCategory category) { return {DnaPicker{category}}; }
  static AppMode capabilityPrompt(Expression expression) {
    return {CapabilityPrompt{std::move(expression)}};
  }
  static AppMode expressing(Expression expression) { return {Expressing{std::move(expression)}}; }
  static AppMode prompt() { return {Prompt{}}; }

  bool isExpressing() const { return std::holds_alternative<Expressing>(payload_); }
  template <typename T>
  const T* as() const {
    return std::get_if<T>(&payload_);
  }
  const Payload& payload() const { return payload_; }

  bool operator==(const AppMode&) const = default;

 private:
  AppMode(Payload payload) : payload_(std::move(payload)) {}  // NOLINT: built by the factories
  Payload payload_;
};

}  // namespace kivari
