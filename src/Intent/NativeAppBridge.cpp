#include "Intent/NativeAppBridge.h"

#include "Core/RunFolder.h"

#include <gio/gio.h>

namespace kivari::NativeAppBridge {

namespace {

bool isUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
         c == '-' || c == '.' || c == '_' || c == '~';
}

// Byte-wise, so text in any script (or not UTF-8 at all) stays inert.
std::string percentEncoded(std::string_view field) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(field.size());
  for (const char ch : field) {
    const auto c = static_cast<unsigned char>(ch);
    if (isUnreserved(c)) {
      out.push_back(ch);
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 0x0f]);
    }
  }
  return out;
}

bool launchSafely(const Launcher& launch, const std::string& uri) {
  return launch && launch(uri);
}

}  // namespace

bool launchWithDefaultHandler(const std::string& uri) {
  // The program outlives this run: it gets the user's own folders, not the run's.
  GAppLaunchContext* context = g_app_launch_context_new();
  for (const auto& [name, value] : userEnvironment()) {
    if (value) {
      g_app_launch_context_setenv(context, name.c_str(), value->c_str());
    } else {
      g_app_launch_context_unsetenv(context, name.c_str());
    }
  }
  GError* error = nullptr;
  const gboolean launched = g_app_info_launch_default_for_uri(uri.c_str(), context, &error);
  g_object_unref(context);
  if (error != nullptr) {
    g_debug("No program took the message: %s", error->message);
    g_error_free(error);
  }
  return launched != FALSE;
}

std::string mailtoAddress(std::string_view to, std::string_view subject, std::string_view body) {
  return "mailto:" + percentEncoded(to) + "?subject=" + percentEncoded(subject) +
         "&body=" + percentEncoded(body);
}

std::string smsAddress(std::string_view to, std::string_view body) {
  return "sms:" + percentEncoded(to) + "?body=" + percentEncoded(body);
}

bool openMail(std::string_view to, std::string_view subject, std::string_view body,
              const Launcher& launch) {
  return launchSafely(launch, mailtoAddress(to, subject, body));
}

bool openMessages(std::string_view to, std::string_view body, const Launcher& launch) {
  return launchSafely(launch, smsAddress(to, body));
}

}  // namespace kivari::NativeAppBridge
