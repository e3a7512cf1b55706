#pragma once

#include <gtkmm.h>

#include <functional>
#include <string>

namespace kivari {

// The look of the root view's overlays (banner, catalog, splash); installed
// once, by the first overlay made.
void installOverlayStyle();

// Adds the style `makeCss` gives to the default display, once per display
// for each `installedOn` slot its caller keeps.
void installOncePerDisplay(GdkDisplay*& installedOn, const std::function<std::string()>& makeCss);

}  // namespace kivari
