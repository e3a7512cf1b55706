#include "Core/Url.h"

#include <glib.h>

namespace kivari {

std::optional<Url> Url::parse(std::string_view text) {
  if (text.empty()) return std::nullopt;
  for (unsigned char c : text) {
    // Blanks, controls and DEL are never part of a written address.
    if (c <= 0x20 || c == 0x7f) return std::nullopt;
  }
  if (!g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) return std::nullopt;

  const std::string copy(text);
  GError* error = nullptr;
  GUri* uri = g_uri_parse(copy.c_str(), G_URI_FLAGS_ENCODED, &error);
  if (uri == nullptr) {
    g_clear_error(&error);
    return std::nullopt;
  }
  Url url;
  url.text_ = copy;
  url.scheme_ = g_uri_get_scheme(uri);
  if (const char* host = g_uri_get_host(uri); host != nullptr && *host != '\0') {
    url.host_ = host;
  }
  g_uri_unref(uri);
  return url;
}

}  // namespace kivari
