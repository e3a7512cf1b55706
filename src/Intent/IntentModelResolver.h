#pragma once

#include "Intent/ClassifiedIntent.h"

#include <functional>
#include <optional>
#include <string>

namespace kivari {

// The second stage of understanding: a language model that reads what the
// rules could not.
class IntentModelResolver {
 public:
  using Answer = std::function<void(std::optional<ClassifiedIntent>)>;

  virtual ~IntentModelResolver() = default;
  // Asked afresh at every request that falls through the rules.
  virtual bool isAvailable() = 0;
  // Calls `answer` exactly once, later, from the GLib main loop of the thread
  // that called resolve; never from inside resolve itself.
  virtual void resolve(const std::string& text, Answer answer) = 0;
};

}  // namespace kivari
