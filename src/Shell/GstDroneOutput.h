#pragma once

#include "Shell/AmbientAudio.h"

#include <memory>
#include <vector>

namespace kivari {

// Loops the drone through GStreamer: appsrc, audioconvert, volume and the
// desktop's automatic audio sink. None when GStreamer or one of its elements
// is missing, when there is no sound device, or when the sink fails to start.
std::shared_ptr<DroneOutput> makeGstDroneOutput(std::shared_ptr<const std::vector<float>> samples);

}  // namespace kivari
