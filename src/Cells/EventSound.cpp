#include "Cells/EventSound.h"

#include <alsa/asoundlib.h>
#include <gsound.h>

namespace kivari {

namespace {

// Without a sound card ALSA writes its failed lookups to stderr; a silent
// alert is the expected outcome there, not something to report.
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

EventSound::EventSound(std::string eventId) : eventId_(std::move(eventId)) {}

EventSound::~EventSound() {
  stop();
  if (context_ != nullptr) g_object_unref(context_);
}

void EventSound::play() {
  // The context is made at the first sound, not with the cell: most timers
  // are dissolved before they ever sound.
  if (context_ == nullptr) {
    snd_lib_error_set_handler(&quietAlsa);
    context_ = gsound_context_new(nullptr, nullptr);
    if (context_ == nullptr) return;
  }
  stop();
  playing_ = g_cancellable_new();
  // Failure (no device, no theme) is the silent outcome this alert allows.
  gsound_context_play_simple(context_, playing_, nullptr, GSOUND_ATTR_EVENT_ID, eventId_.c_str(),
                             GSOUND_ATTR_EVENT_DESCRIPTION, "Timer finished", nullptr);
}

void EventSound::stop() {
  if (playing_ == nullptr) return;
  g_cancellable_cancel(playing_);
  g_object_unref(playing_);
  playing_ = nullptr;
}

}  // namespace kivari
