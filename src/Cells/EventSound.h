#pragma once

#include "Cells/AlertSound.h"

#include <string>

typedef struct _GSoundContext GSoundContext;
typedef struct _GCancellable GCancellable;

namespace kivari {

// A sound of the desktop's sound theme, named by its event ("complete").
// Without a sound device or theme it stays silent: nothing is reported.
class EventSound final : public AlertSound {
 public:
  explicit EventSound(std::string eventId);
  ~EventSound() override;
  EventSound(const EventSound&) = delete;
  EventSound& operator=(const EventSound&) = delete;

  void play() override;
  void stop() override;

 private:
  std::string eventId_;
  GSoundContext* context_ = nullptr;
  GCancellable* playing_ = nullptr;
};

}  // namespace kivari
