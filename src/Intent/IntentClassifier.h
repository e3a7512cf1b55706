#pragma once

#include "Intent/ClassifiedIntent.h"
#include "Intent/Extractors.h"
#include "Intent/PhraseTables.h"
#include "Manifests/ManifestRegistry.h"

#include <string_view>

namespace kivari::IntentClassifier {

// The ordered rules: the first that answers decides. Never fails; text that
// nothing recognises gives an empty answer.
ClassifiedIntent classify(std::string_view text, const ManifestRegistry& registry);

}  // namespace kivari::IntentClassifier
