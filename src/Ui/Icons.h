#pragma once

#include <string>
#include <string_view>

namespace kivari {

// System symbol names, as the rest of the code names icons, to the symbolic
// icon installed on this desktop (or shipped in our own icon folder).
std::string iconNameForSymbol(std::string_view symbol);

}  // namespace kivari
