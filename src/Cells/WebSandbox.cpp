#include "Cells/WebSandbox.h"

#include <glib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace kivari {

namespace {

// Paths and the system's words, whatever the locale's encoding, as text a
// label can show.
std::string displayed(const std::string& path) {
  gchar* name = g_filename_display_name(path.c_str());
  std::string text = name;
  g_free(name);
  return text;
}

std::string built(const char* folder, const char* name) {
  gchar* path = g_build_filename(folder, name, nullptr);
  std::string text = path;
  g_free(path);
  return text;
}

// Each entry of a list of places in the environment (PATH-like); whether it was set.
bool addListed(std::vector<std::string>& paths, const char* variable) {
  const char* value = g_getenv(variable);
  if (value == nullptr) return false;
  gchar** entries = g_strsplit(value, ":", -1);
  for (gchar** entry = entries; *entry != nullptr; ++entry) paths.emplace_back(*entry);
  g_strfreev(entries);
  return true;
}

// As the sandbox program looks: the whole way to the place, links followed.
// `missingIsFine`: a place bound only if it is there.
std::optional<SandboxObstacle> unreachable(const std::string& path, bool missingIsFine) {
  if (char* real = realpath(path.c_str(), nullptr)) {
    std::free(real);
    return std::nullopt;
  }
  // Taken first: making the path fit to show may change it.
  const int error = errno;
  if (error == ENOENT && missingIsFine) return std::nullopt;
  return SandboxObstacle{displayed(path), g_strerror(error)};
}

}  // namespace

std::optional<SandboxObstacle> unbindablePath(const std::string& path) {
  if (path.empty()) return std::nullopt;
  return unreachable(path, true);
}

std::vector<std::string> sandboxBoundPaths(bool x11) {
  const char* home = g_get_home_dir();
  const char* config = g_get_user_config_dir();
  const char* data = g_get_user_data_dir();
  const char* cache = g_get_user_cache_dir();
  const char* runtime = g_get_user_runtime_dir();
  std::vector<std::string> paths;
  addListed(paths, "LD_LIBRARY_PATH");
  if (x11) {
    // The X server's socket, for a display of this machine.
    const char* display = g_getenv("DISPLAY");
    if (display != nullptr && display[0] == ':' && g_ascii_isdigit(display[1])) {
      const std::string_view number(display + 1, std::strspn(display + 1, "0123456789"));
      paths.push_back("/tmp/.X11-unix/X" + std::string(number));
    }
    const char* authority = g_getenv("XAUTHORITY");
    paths.push_back(authority != nullptr ? std::string(authority) : built(home, ".Xauthority"));
  }
  // Sound.
  const char* pulse = g_getenv("PULSE_SERVER");
  if (pulse == nullptr) {
    paths.push_back(built(runtime, "pulse"));
  } else if (std::string_view(pulse).starts_with("unix:")) {
    paths.emplace_back(pulse + 5);
  }
  if (const char* pulseConfig = g_getenv("PULSE_CLIENTCONFIG")) paths.emplace_back(pulseConfig);
  paths.push_back(built(config, "pulse"));
  paths.push_back(built(home, ".pulse"));
  paths.push_back(built(home, ".asoundrc"));
  // Anyone may make these two.
  paths.emplace_back("/tmp/sndio");
  paths.push_back("/tmp/sndio-" + std::to_string(getuid()));
  paths.push_back(built(home, ".sndio"));
  // Fonts: the user's, and those of every data folder.
  for (const char* name : {"fontconfig", ".fonts.conf.d"}) paths.push_back(built(config, name));
  paths.push_back(built(home, ".fontconfig"));
  paths.push_back(built(cache, "fontconfig"));
  paths.push_back(built(home, ".fonts.conf"));
  paths.push_back(built(data, "fonts"));
  paths.push_back(built(home, ".fonts"));
  for (const char* const* folder = g_get_system_data_dirs(); *folder != nullptr; ++folder) {
    paths.push_back(built(*folder, "fonts"));
  }
  // GStreamer.
  if (!addListed(paths, "GST_PLUGIN_PATH_1_0")) addListed(paths, "GST_PLUGIN_PATH");
  if (!addListed(paths, "GST_PLUGIN_SYSTEM_PATH_1_0") && !addListed(paths, "GST_PLUGIN_SYSTEM_PATH")) {
    paths.push_back(built(data, "gstreamer-1.0"));
  }
  paths.push_back(built(cache, "gstreamer-1.0"));
  if (const char* scanner = g_getenv("GST_PLUGIN_SCANNER")) paths.emplace_back(scanner);
  // Themes.
  paths.push_back(built(config, "gtk-3.0"));
  paths.push_back(built(data, "themes"));
  paths.push_back(built(home, ".themes"));
  paths.push_back(built(home, ".icons"));
  // /etc is in the sandbox whole: nothing under it is bound on its own.
  std::erase_if(paths, [](const std::string& path) { return path.empty() || path.starts_with("/etc/"); });
  return paths;
}

std::optional<SandboxObstacle> sandboxRefused(const std::string& program) {
  gchar* found = g_find_program_in_path("true");
  const std::string inside = found != nullptr ? found : "/bin/true";
  g_free(found);
  // The namespaces and mounts a page's sandbox asks for, around a program
  // that does nothing. Nothing of the terminal is handed in.
  const char* argv[] = {program.c_str(), "--unshare-pid", "--unshare-uts", "--unshare-ipc", "--unshare-net",
                        "--die-with-parent", "--ro-bind", "/", "/", "--proc", "/proc", "--dev", "/dev",
                        "--", inside.c_str(), nullptr};
  gchar* said = nullptr;
  gint status = 0;
  GError* error = nullptr;
  const gboolean ran = g_spawn_sync(nullptr, const_cast<gchar**>(argv), nullptr, G_SPAWN_STDOUT_TO_DEV_NULL,
                                    nullptr, nullptr, nullptr, &said, &status, &error);
  if (!ran) {
    SandboxObstacle refused{"", error->message};
    g_error_free(error);
    return refused;
  }
  std::string words = said != nullptr ? said : "";
  g_free(said);
  if (g_spawn_check_wait_status(status, nullptr)) return std::nullopt;
  // Its first line, as it says it, without its name.
  words = words.substr(0, words.find('\n'));
  constexpr std::string_view kName = "bwrap: ";
  if (words.starts_with(kName)) words.erase(0, kName.size());
  gchar* valid = g_utf8_make_valid(words.c_str(), static_cast<gssize>(words.size()));
  words = valid;
  g_free(valid);
  if (words.empty()) {
    words = WIFEXITED(status) ? "It ended with status " + std::to_string(WEXITSTATUS(status)) + "."
                              : "It was ended by signal " + std::to_string(WTERMSIG(status)) + ".";
  }
  return SandboxObstacle{"", words};
}

namespace {

// The engine's bus proxy runs in a sandbox too, given the folder of the
// session bus's socket: there or not, it must be reachable.
std::optional<SandboxObstacle> busFolderObstacle() {
  const char* address = g_getenv("DBUS_SESSION_BUS_ADDRESS");
  const char* path = address != nullptr && std::string_view(address).starts_with("unix:")
                         ? std::strstr(address, "path=") : nullptr;
  if (path == nullptr) return std::nullopt;
  path += 5;
  const std::string socket(path, std::strcspn(path, ","));
  const std::string folder = socket.substr(0, socket.rfind('/'));
  if (folder.empty() || socket.find('/') == std::string::npos) return std::nullopt;
  return unreachable(folder, false);
}

}  // namespace

std::optional<SandboxObstacle> webSandboxObstacle(bool x11) {
  for (const auto& path : sandboxBoundPaths(x11)) {
    if (auto obstacle = unbindablePath(path)) return obstacle;
  }
  if (auto obstacle = busFolderObstacle()) return obstacle;
  // Main thread only, as the cells are built.
  static bool allowed = false;
  if (allowed) return std::nullopt;
  auto refused = sandboxRefused();
  allowed = !refused;
  return refused;
}

SandboxObstacleText describeObstacle(const SandboxObstacle& obstacle, const std::string& cellName) {
  SandboxObstacleText text;
  text.title = "This cell cannot open: its web sandbox cannot start.";
  if (obstacle.path.empty()) {
    text.detail = "This system does not allow the web sandbox, and web pages open only inside it. "
                  "The sandbox program said: " + obstacle.reason;
    text.ribbon = cellName + " could not be opened \u00b7 this system does not allow the web sandbox";
  } else {
    text.detail = "The sandbox cannot use " + obstacle.path + ": " + obstacle.reason + ".";
    text.ribbon = cellName + " could not be opened \u00b7 its web sandbox cannot use " + obstacle.path + ": " +
                  obstacle.reason;
  }
  return text;
}

}  // namespace kivari
