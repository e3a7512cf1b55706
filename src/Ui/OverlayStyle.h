#pragma once

#include <gtkmm.h>

namespace kivari {

// The look of the root view's overlays (banner, catalog, splash); installed
// once, by the first overlay made.
void installOverlayStyle();

}  // namespace kivari
