#include "Shell/RendererChoice.h"

#include <system_error>

namespace kivari {

std::optional<std::string> chooseRenderer(const char* userSetting, bool hasRenderDevice) {
  if (userSetting != nullptr && *userSetting != '\0') return std::nullopt;
  if (hasRenderDevice) return std::nullopt;
  return "cairo";
}

bool hasRenderDevice(const std::filesystem::path& devices) {
  std::error_code ec;
  for (std::filesystem::directory_iterator it(devices, ec), end; !ec && it != end;
       it.increment(ec)) {
    if (it->path().filename().string().starts_with("renderD")) return true;
  }
  return false;
}

}  // namespace kivari
