#include "Intent/NativeAppBridge.h"

#include "Core/RunFolder.h"

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string_view>
#include <system_error>
#include <utility>

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

// One argument on Linux holds at most 32 pages of 4096 bytes, its closing
// NUL included (MAX_ARG_STRLEN), and a program started from its desktop file
// gets the address as one. One the bus starts could take more; one limit
// serves both.
constexpr std::size_t kLongestAddress = 131071;

void handOver(const Launcher& launch, const std::string& uri, Answer answer) {
  if (!answer) answer = [](Outcome) {};
  if (uri.size() > kLongestAddress) return answer(Outcome::tooLong);
  if (!launch) return answer(Outcome::noProgram);
  launch(uri, [answer = std::move(answer)](bool taken) { answer(taken ? Outcome::taken : Outcome::noProgram); });
}

bool reported(gboolean launched, GError* error) {
  if (error != nullptr) {
    g_debug("No program took the message: %s", error->message);
    g_error_free(error);
  }
  return launched != FALSE;
}

// In the program's process, before it runs: a session of its own, which no
// signal meant for this one's terminal or process group (Ctrl+C, a closed
// terminal) reaches, and no end of this run either; the signals this run
// holds back are the program's to take.
void ownSession(gpointer) {
  setsid();
  unblockQuitSignals();
}

// Exactly the user's environment, whatever this process set for itself since.
GAppLaunchContext* userContext() {
  GAppLaunchContext* context = g_app_launch_context_new();
  gchar** current = g_get_environ();
  for (gchar** entry = current; *entry != nullptr; ++entry) {
    const std::string name(*entry, std::strcspn(*entry, "="));
    g_app_launch_context_unsetenv(context, name.c_str());
  }
  g_strfreev(current);
  for (const auto& entry : userEnvironment()) {
    const auto equals = entry.find('=');
    g_app_launch_context_setenv(context, entry.substr(0, equals).c_str(), entry.c_str() + equals + 1);
  }
  return context;
}

// The program GIO's own launch would pick: the scheme's handler, else the
// address's as a file.
GAppInfo* handlerOf(const std::string& uri) {
  const char* scheme = g_uri_peek_scheme(uri.c_str());
  GAppInfo* handler = scheme != nullptr ? g_app_info_get_default_for_uri_scheme(scheme) : nullptr;
  if (handler == nullptr) {
    GFile* file = g_file_new_for_uri(uri.c_str());
    handler = g_file_query_default_handler(file, nullptr, nullptr);
    g_object_unref(file);
  }
  // Found through a link in the run folder (a data home whose path holds
  // ':'): the program is told where its entry really lies, which outlives the run.
  const std::filesystem::path run = thisRunFolder();
  const char* found = G_IS_DESKTOP_APP_INFO(handler) ? g_desktop_app_info_get_filename(G_DESKTOP_APP_INFO(handler)) : nullptr;
  if (found != nullptr && !run.empty() && std::string_view(found).starts_with(run.string() + "/")) {
    std::error_code ec;
    const auto real = std::filesystem::canonical(found, ec);
    if (GDesktopAppInfo* direct = ec ? nullptr : g_desktop_app_info_new_from_filename(real.c_str())) {
      g_object_unref(handler);
      handler = G_APP_INFO(direct);
    }
  }
  return handler;
}

// As GIO decides it: a desktop file that says so and whose name is a bus
// name, with a session bus to ask (without one, GIO spawns it after all).
// The name it goes by on the bus, or none.
std::string startedByTheBus(GAppInfo* handler) {
  if (!G_IS_DESKTOP_APP_INFO(handler)) return {};
  auto* info = G_DESKTOP_APP_INFO(handler);
  const char* file = g_desktop_app_info_get_filename(info);
  if (file == nullptr || !g_desktop_app_info_get_boolean(info, "DBusActivatable")) return {};
  std::string name = std::filesystem::path(file).filename().string();
  constexpr std::string_view kSuffix = ".desktop";
  if (!name.ends_with(kSuffix)) return {};
  name.resize(name.size() - kSuffix.size());
  if (!g_dbus_is_name(name.c_str()) || name.starts_with(':')) return {};
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (bus == nullptr) return {};
  g_object_unref(bus);
  return name;
}

void busAnswered(GObject* bus, GAsyncResult* result, gpointer data) {
  const std::unique_ptr<Done> done(static_cast<Done*>(data));
  GError* error = nullptr;
  GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(bus), result, &error);
  if (reply != nullptr) g_variant_unref(reply);
  const bool taken = reported(reply != nullptr, error);
  if (*done) (*done)(taken);
}

// The call GIO's own launch makes: the application's Open, on the bus name
// and object path its id gives, with no platform data as no launch context
// goes with it. GIO gives up on the answer after GDBus's 25 s while the bus
// may still be starting the program, which would then open a message the
// user was told was not sent; so this waits exactly as long as the bus
// does, whose own refusal (no such program, one that failed to start, its
// own activation timeout) still comes back.
void openOverTheBus(const std::string& name, const std::string& uri, Done done) {
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (bus == nullptr) {
    if (done) done(false);
    return;
  }
  std::string path = "/" + name;
  for (char& c : path) {
    if (c == '.') c = '/';
    if (c == '-') c = '_';
  }
  const char* uris[] = {uri.c_str(), nullptr};
  GVariant* noPlatformData = g_variant_new_array(G_VARIANT_TYPE("{sv}"), nullptr, 0);
  g_dbus_connection_call(bus, name.c_str(), path.c_str(), "org.freedesktop.Application", "Open",
                         g_variant_new("(^as@a{sv})", uris, noPlatformData), nullptr, G_DBUS_CALL_FLAGS_NONE,
                         G_MAXINT, nullptr, &busAnswered, new Done(std::move(done)));
  g_object_unref(bus);
}

}  // namespace

void launchWithDefaultHandler(const std::string& uri, Done done) {
  GList uris{const_cast<char*>(uri.c_str()), nullptr, nullptr};
  GAppInfo* handler = handlerOf(uri);
  if (const std::string name = handler != nullptr ? startedByTheBus(handler) : std::string(); !name.empty()) {
    // Answered once the bus has. No launch context either way: the bus
    // starts the program in its own environment, never as our child.
    openOverTheBus(name, uri, std::move(done));
    g_object_unref(handler);
    return;
  }
  GAppLaunchContext* context = userContext();
  GError* error = nullptr;
  gboolean launched = FALSE;
  if (handler != nullptr) {
    // Spawned without being reaped as a child, GLib's spawn forks twice: the
    // program is not left below this process.
    launched = G_IS_DESKTOP_APP_INFO(handler)
                   ? g_desktop_app_info_launch_uris_as_manager(G_DESKTOP_APP_INFO(handler), &uris, context,
                                                               G_SPAWN_SEARCH_PATH, &ownSession, nullptr, nullptr,
                                                               nullptr, &error)
                   : g_app_info_launch_uris(handler, &uris, context, &error);
    g_object_unref(handler);
  } else {
    // GIO's last way: a desktop portal, when this runs in a sandbox.
    launched = g_app_info_launch_default_for_uri(uri.c_str(), context, &error);
  }
  g_object_unref(context);
  const bool taken = reported(launched, error);
  if (done) done(taken);
}

std::string mailtoAddress(std::string_view to, std::string_view subject, std::string_view body) {
  return "mailto:" + percentEncoded(to) + "?subject=" + percentEncoded(subject) +
         "&body=" + percentEncoded(body);
}

std::string smsAddress(std::string_view to, std::string_view body) {
  return "sms:" + percentEncoded(to) + "?body=" + percentEncoded(body);
}

void openMail(std::string_view to, std::string_view subject, std::string_view body, Answer answer,
              const Launcher& launch) {
  handOver(launch, mailtoAddress(to, subject, body), std::move(answer));
}

void openMessages(std::string_view to, std::string_view body, Answer answer, const Launcher& launch) {
  handOver(launch, smsAddress(to, body), std::move(answer));
}

}  // namespace kivari::NativeAppBridge
