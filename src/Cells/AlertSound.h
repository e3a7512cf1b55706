#pragma once

namespace kivari {

// The one sound a cell makes; tests count the calls.
class AlertSound {
 public:
  virtual ~AlertSound() = default;
  // Starts the sound and returns at once; never fails where anyone sees it.
  virtual void play() = 0;
  // Cuts short a sound still playing.
  virtual void stop() = 0;
};

}  // namespace kivari
