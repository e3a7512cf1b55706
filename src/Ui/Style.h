#pragma once

namespace kivari {

// Installs the application's look on the default display, once.
void installStyle();

}  // namespace kivari
