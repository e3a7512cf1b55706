#pragma once

#include "MainLoop.h"

#include <gio/gio.h>
#include <glib-object.h>
#include <unistd.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

namespace kivari::testing {

// One node of the tree a screen reader reads.
struct AccessibleNode {
  std::string role;  // the bus's role name: "push button", "text", "image"…
  std::string name;
  std::string where;  // the chain of roles and names from the window down
  std::string bus;    // where a screen reader reaches it
  std::string path;
  std::string parent;  // the path of the node it is listed under
};

// Reads a process's accessible tree over the accessibility bus, as a
// screen reader would: every window and everything presented under it.
// The process must run with a session bus (dbus-run-session) so that GTK
// joins the accessibility bus; `error` says why when nothing could be read.
// By default this process, without the pages its web views show.
class AccessibleTreeReader {
 public:
  explicit AccessibleTreeReader(int pid = getpid(), bool intoWebPages = false)
      : pid_(pid), intoWebPages_(intoWebPages) {
    GError* failure = nullptr;
    GDBusConnection* session = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &failure);
    if (session == nullptr) {
      error_ = std::string("no session bus: ") + failure->message;
      g_clear_error(&failure);
      return;
    }
    GVariant* reply = g_dbus_connection_call_sync(session, "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus",
                                                  "GetAddress", nullptr, G_VARIANT_TYPE("(s)"),
                                                  G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, &failure);
    g_object_unref(session);
    if (reply == nullptr) {
      error_ = std::string("no accessibility bus: ") + failure->message;
      g_clear_error(&failure);
      return;
    }
    const char* address = nullptr;
    g_variant_get(reply, "(&s)", &address);
    bus_ = g_dbus_connection_new_for_address_sync(
        address,
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &failure);
    g_variant_unref(reply);
    if (bus_ == nullptr) {
      error_ = std::string("cannot join the accessibility bus: ") + failure->message;
      g_clear_error(&failure);
    }
  }
  ~AccessibleTreeReader() {
    if (bus_ != nullptr) g_object_unref(bus_);
  }
  AccessibleTreeReader(const AccessibleTreeReader&) = delete;
  AccessibleTreeReader& operator=(const AccessibleTreeReader&) = delete;

  const std::string& error() const { return error_; }

  // What a screen reader asks of a node it has read, as it would ask it: the
  // first action (a button's click), or the text of an editable field. True
  // when the process says it did so.
  bool doAction(const AccessibleNode& node) {
    return askBool(node, "org.a11y.atspi.Action", "DoAction", g_variant_new("(i)", 0));
  }
  bool setText(const AccessibleNode& node, const std::string& text) {
    return askBool(node, "org.a11y.atspi.EditableText", "SetTextContents", g_variant_new("(s)", text.c_str()));
  }
  // A field's caret and selection, which a screen reader moves whether or
  // not the field is editable.
  void moveCaret(const AccessibleNode& node, int offset) {
    askBool(node, "org.a11y.atspi.Text", "SetCaretOffset", g_variant_new("(i)", offset));
  }
  void select(const AccessibleNode& node, int start, int end) {
    askBool(node, "org.a11y.atspi.Text", "AddSelection", g_variant_new("(ii)", start, end));
  }
  // The paths of the nodes listed under `node` now, in one question: quick
  // enough for a moment that passes while a frame or two is drawn.
  std::vector<std::string> childPaths(const AccessibleNode& node) {
    std::vector<std::string> paths;
    for (const auto& [bus, path] : childrenOf(node.bus, node.path)) paths.push_back(path);
    return paths;
  }
  std::string description(const AccessibleNode& node) {
    return bus_ == nullptr ? std::string() : propertyOf(node.bus, node.path, "Description");
  }

  // Every node under this process's windows; empty, with error() set, when
  // the process is not on the bus. What `into` refuses is listed, but not
  // what lies under it.
  std::vector<AccessibleNode> read(std::function<bool(const AccessibleNode&)> into = nullptr) {
    into_ = std::move(into);
    std::vector<AccessibleNode> nodes;
    if (bus_ == nullptr) return nodes;
    const std::string self = ownName();
    if (self.empty()) {
      error_ = "the process is not on the accessibility bus";
      return nodes;
    }
    std::set<std::string> seen;
    walk(self, "/org/a11y/atspi/accessible/root", "", "", nodes, seen, true);
    return nodes;
  }

 private:
  // GTK answers on this thread's main loop: call, then pump until the answer.
  GVariant* call(const std::string& name, const std::string& path, const char* interface,
                 const char* method, GVariant* parameters, const char* replyType) {
    struct Pending {
      bool done = false;
      GVariant* reply = nullptr;
    };
    auto* pending = new Pending;
    g_dbus_connection_call(
        bus_, name.c_str(), path.c_str(), interface, method, parameters, G_VARIANT_TYPE(replyType),
        G_DBUS_CALL_FLAGS_NONE, 5000, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
          auto* p = static_cast<Pending*>(data);
          p->reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, nullptr);
          p->done = true;
        },
        pending);
    // The call itself times out before this wait does, so the answer always comes.
    pumpUntil([&] { return pending->done; }, 10000);
    GVariant* reply = pending->reply;
    delete pending;
    return reply;
  }

  bool askBool(const AccessibleNode& node, const char* interface, const char* method, GVariant* parameters) {
    if (bus_ == nullptr) {
      g_variant_unref(g_variant_ref_sink(parameters));
      return false;
    }
    GVariant* reply = call(node.bus, node.path, interface, method, parameters, "(b)");
    if (reply == nullptr) return false;
    gboolean done = FALSE;
    g_variant_get(reply, "(b)", &done);
    g_variant_unref(reply);
    return done;
  }

  std::string stringOf(const std::string& name, const std::string& path, const char* method) {
    GVariant* reply = call(name, path, "org.a11y.atspi.Accessible", method, nullptr, "(s)");
    if (reply == nullptr) return "<no answer>";
    const char* text = nullptr;
    g_variant_get(reply, "(&s)", &text);
    std::string out = text;
    g_variant_unref(reply);
    return out;
  }

  std::string nameOf(const std::string& name, const std::string& path) { return propertyOf(name, path, "Name"); }

  std::string propertyOf(const std::string& name, const std::string& path, const char* property) {
    GVariant* reply = call(name, path, "org.freedesktop.DBus.Properties", "Get",
                           g_variant_new("(ss)", "org.a11y.atspi.Accessible", property), "(v)");
    if (reply == nullptr) return "<no answer>";
    GVariant* value = nullptr;
    g_variant_get(reply, "(v)", &value);
    std::string out = g_variant_is_of_type(value, G_VARIANT_TYPE_STRING) ? g_variant_get_string(value, nullptr) : "";
    g_variant_unref(value);
    g_variant_unref(reply);
    return out;
  }

  // The unique name GTK took on the bus for this process.
  std::string ownName() {
    GVariant* reply = g_dbus_connection_call_sync(bus_, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                  "org.freedesktop.DBus", "ListNames", nullptr,
                                                  G_VARIANT_TYPE("(as)"), G_DBUS_CALL_FLAGS_NONE, 5000,
                                                  nullptr, nullptr);
    if (reply == nullptr) return {};
    std::string found;
    GVariantIter* names = nullptr;
    g_variant_get(reply, "(as)", &names);
    const char* name = nullptr;
    const std::string mine = g_dbus_connection_get_unique_name(bus_);
    while (found.empty() && g_variant_iter_loop(names, "&s", &name)) {
      if (name[0] != ':' || mine == name) continue;
      GVariant* pid = g_dbus_connection_call_sync(
          bus_, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
          "GetConnectionUnixProcessID", g_variant_new("(s)", name), G_VARIANT_TYPE("(u)"),
          G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
      if (pid == nullptr) continue;
      guint32 value = 0;
      g_variant_get(pid, "(u)", &value);
      g_variant_unref(pid);
      if (value == static_cast<guint32>(pid_)) found = name;
    }
    g_variant_iter_free(names);
    g_variant_unref(reply);
    return found;
  }

  std::vector<std::pair<std::string, std::string>> childrenOf(const std::string& name, const std::string& path) {
    std::vector<std::pair<std::string, std::string>> found;
    if (bus_ == nullptr) return found;
    GVariant* reply = call(name, path, "org.a11y.atspi.Accessible", "GetChildren", nullptr, "(a(so))");
    if (reply == nullptr) return found;
    GVariantIter* children = nullptr;
    g_variant_get(reply, "(a(so))", &children);
    const char* childName = nullptr;
    const char* childPath = nullptr;
    while (g_variant_iter_loop(children, "(&s&o)", &childName, &childPath)) {
      // Content from elsewhere (a web page's own process) is not ours to name.
      if (name == childName || intoWebPages_) found.emplace_back(childName, childPath);
    }
    g_variant_iter_free(children);
    g_variant_unref(reply);
    return found;
  }

  void walk(const std::string& name, const std::string& path, const std::string& parent, const std::string& where,
            std::vector<AccessibleNode>& nodes, std::set<std::string>& seen, bool isRoot) {
    if (!seen.insert(name + path).second) return;
    std::string here = where;
    if (!isRoot) {
      AccessibleNode node{stringOf(name, path, "GetRoleName"), nameOf(name, path), {}, name, path, parent};
      here = where + (where.empty() ? "" : " > ") + node.role + " \"" + node.name + "\"";
      node.where = here;
      nodes.push_back(node);
      if (into_ && !into_(node)) return;
    }
    for (const auto& [childBus, child] : childrenOf(name, path)) walk(childBus, child, path, here, nodes, seen, false);
  }

  int pid_;
  bool intoWebPages_;
  std::function<bool(const AccessibleNode&)> into_;
  GDBusConnection* bus_ = nullptr;
  std::string error_;
};

// Whether a name is only the name of a type: what GTK falls back to when a
// widget was given no name of its own.
inline bool isTypeName(const std::string& name) {
  return !name.empty() && g_type_from_name(name.c_str()) != 0;
}

// The nodes a screen reader cannot name: controls, fields and images with no
// name, and anything at all that goes by the name of a type.
inline std::vector<std::string> unnamedAccessibles(const std::vector<AccessibleNode>& nodes) {
  static const std::set<std::string> mustBeNamed{
      "push button", "toggle button", "check box", "radio button", "entry", "text", "password text",
      "spin button", "combo box", "link", "menu item", "slider", "switch", "image", "icon",
      "list item", "tab", "scroll bar"};
  std::vector<std::string> faults;
  for (const auto& node : nodes) {
    if (isTypeName(node.name) || (mustBeNamed.count(node.role) > 0 && node.name.empty())) {
      faults.push_back(node.where);
    }
  }
  return faults;
}

}  // namespace kivari::testing
