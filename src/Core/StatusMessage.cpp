#include "Core/StatusMessage.h"

#include <glib.h>

namespace kivari {

std::string freshUuid() {
  gchar* raw = g_uuid_string_random();
  std::string uuid(raw);
  g_free(raw);
  return uuid;
}

StatusMessage::StatusMessage(std::string text_, MessageType type_)
    : id(freshUuid()), text(std::move(text_)), type(type_) {}

}  // namespace kivari
