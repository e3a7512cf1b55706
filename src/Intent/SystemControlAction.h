#pragma once

#include <string>

namespace kivari {

// A setting of the computer changed at once instead of opening a cell.
enum class SystemControlAction { volumeUp, volumeDown, volumeMax, mute, unmute, sleep, lockScreen };

// How a system action went: (success, message).
struct SystemActionResult {
  bool success = false;
  std::string message;
  bool operator==(const SystemActionResult&) const = default;
};

}  // namespace kivari
