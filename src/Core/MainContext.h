#pragma once

#include <glib.h>

#include <functional>

namespace kivari {

// Runs `task` once from the loop of `context` (none: the thread-default
// context of the calling thread); safe to call from any thread.
void postToContext(GMainContext* context, std::function<void()> task);

}  // namespace kivari
