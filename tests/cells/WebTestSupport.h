#pragma once

#include "LoopbackServer.h"
#include "MainLoop.h"
#include "ProcessScan.h"

#include <gtest/gtest.h>
#include <gtkmm.h>
#include <libsoup/soup.h>
#include <webkit/webkit.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

// From gdk/x11/gdkx.h, which drags in Xlib's macros; tests run on X only.
extern "C" unsigned long gdk_x11_surface_get_xid(GdkSurface* surface);

namespace kivari::testing {

// The empty home folder the test process runs with.
const std::filesystem::path& testHome();

// The page's answer to a script, as text; "<error: ...>" when it throws.
inline std::string evaluate(WebKitWebView* view, const std::string& script) {
  // On the heap: an answer may still come after the wait has given up.
  struct Result {
    bool done = false, abandoned = false;
    std::string text;
  };
  auto* result = new Result;
  webkit_web_view_evaluate_javascript(
      view, script.c_str(), -1, nullptr, nullptr, nullptr,
      [](GObject* source, GAsyncResult* async, gpointer data) {
        auto* out = static_cast<Result*>(data);
        GError* error = nullptr;
        JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), async, &error);
        char* text = value ? jsc_value_to_string(value) : nullptr;
        out->text = value ? (text ? text : "") : std::string("<error: ") + (error ? error->message : "") + ">";
        g_free(text);
        g_clear_error(&error);
        if (value) g_object_unref(value);
        out->done = true;
        if (out->abandoned) delete out;
      },
      result);
  if (!pumpUntil([&] { return result->done; })) {
    result->abandoned = true;
    return "<timeout>";
  }
  std::string text = std::move(result->text);
  delete result;
  return text;
}

// Counts finished and failed main-frame loads of a web view.
class LoadWatcher {
 public:
  explicit LoadWatcher(WebKitWebView* view) : view_(view) {
    g_signal_connect(view, "load-changed", G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent event, gpointer self) {
                       if (event == WEBKIT_LOAD_FINISHED) ++static_cast<LoadWatcher*>(self)->finished;
                     }),
                     this);
    // A hook, as the cell's own handler ends the emission before later handlers.
    failedSignal_ = g_signal_lookup("load-failed", WEBKIT_TYPE_WEB_VIEW);
    failedHook_ = g_signal_add_emission_hook(
        failedSignal_, 0,
        [](GSignalInvocationHint*, guint, const GValue* values, gpointer self) -> gboolean {
          auto* watcher = static_cast<LoadWatcher*>(self);
          if (g_value_get_object(&values[0]) == watcher->view_) ++watcher->failed;
          return TRUE;
        },
        this, nullptr);
  }
  ~LoadWatcher() {
    g_signal_remove_emission_hook(failedSignal_, failedHook_);
    g_signal_handlers_disconnect_by_data(view_, this);
  }
  LoadWatcher(const LoadWatcher&) = delete;
  LoadWatcher& operator=(const LoadWatcher&) = delete;

  // Waits for the next finish (a failure also finishes) after the count given.
  bool waitPast(int count, int limitMs = 5000) {
    return pumpUntil([&] { return finished > count; }, limitMs);
  }

  int finished = 0;
  int failed = 0;

 private:
  WebKitWebView* view_;
  guint failedSignal_ = 0;
  gulong failedHook_ = 0;
};

// A shown window holding one cell at a time in its frame.
template <typename Cell>
class CellWindowTest : public ::testing::Test {
 protected:
  CellWindowTest(int width, int height) : width_(width), height_(height) {}

  void SetUp() override {
    window.set_default_size(width_, height_);
    window.set_child(frame);
    window.present();
    ASSERT_TRUE(pumpUntil([&] { return window.get_mapped(); }));
  }

  void TearDown() override {
    dissolve();
    window.hide();
  }

  // Builds the cell in the already shown window, as the shell does; the old
  // one goes first.
  template <typename... Args>
  Cell& build(Args&&... args) {
    dissolve();
    cell = std::make_unique<Cell>(std::forward<Args>(args)...);
    frame.append(*cell);
    loads = std::make_unique<LoadWatcher>(cell->webView());
    return *cell;
  }

  // As the shell does: the cell is told first, then goes after its fade-out.
  void dissolve(int fadeMs = 0) {
    loads.reset();
    if (!cell) return;
    cell->cellDissolving();
    if (fadeMs > 0) pump(fadeMs);
    frame.remove(*cell);
    cell.reset();
  }

  Gtk::Window window;
  Gtk::Box frame{Gtk::Orientation::VERTICAL};
  std::unique_ptr<Cell> cell;
  std::unique_ptr<LoadWatcher> loads;

 private:
  int width_, height_;
};

// Sends real input through the X server, as a person would.
inline void xdotool(const std::vector<std::string>& args) {
  std::vector<std::string> argv{"xdotool"};
  argv.insert(argv.end(), args.begin(), args.end());
  Glib::spawn_sync("", argv, Glib::SpawnFlags::SEARCH_PATH);
}

// With no window manager the keyboard follows the pointer: crossing into the
// window makes it the active one.
inline void enterWindow(Gtk::Window& window) {
  const auto xid = std::to_string(gdk_x11_surface_get_xid(window.get_surface()->gobj()));
  xdotool({"mousemove", "1900", "1060"});  // the screen's far corner, off the window
  pump(50);
  xdotool({"mousemove", "--window", xid, "20", "20"});
  pumpUntil([&] { return window.is_active(); }, 2000);
}

// An entry's keyboard focus sits on its inner text widget.
inline bool holdsFocus(Gtk::Window& window, Gtk::Widget& widget) {
  auto* focus = window.get_focus();
  return window.is_active() && focus != nullptr && (focus == &widget || focus->is_ancestor(widget));
}

// Return in a field, without going through the keyboard.
inline void pressReturn(Gtk::Entry& field) { g_signal_emit_by_name(field.gobj(), "activate"); }

// A real click in the middle of a widget.
inline void click(Gtk::Window& window, Gtk::Widget& widget) {
  graphene_rect_t bounds;
  ASSERT_TRUE(gtk_widget_compute_bounds(widget.gobj(), GTK_WIDGET(window.gobj()), &bounds));
  const auto xid = gdk_x11_surface_get_xid(window.get_surface()->gobj());
  xdotool({"mousemove", "--window", std::to_string(xid),
           std::to_string(static_cast<int>(bounds.origin.x + bounds.size.width / 2)),
           std::to_string(static_cast<int>(bounds.origin.y + bounds.size.height / 2)), "click", "1"});
}

// The file chooser dialog on screen, if there is one.
inline GtkWidget* shownFileChooser() {
  GListModel* windows = gtk_window_get_toplevels();
  for (guint i = 0; i < g_list_model_get_n_items(windows); ++i) {
    auto* window = static_cast<GtkWidget*>(g_list_model_get_item(windows, i));
    g_object_unref(window);  // the list holds it
    if (GTK_IS_FILE_CHOOSER(window) && gtk_widget_get_visible(window)) return window;
  }
  return nullptr;
}

// What came of a file input that the page adds and clicks: how often WebKit
// was asked for a chooser, whether one showed (it is closed again), and how
// many files the input then holds.
struct FileAsk {
  int asked = 0;
  bool shown = false;
  std::string files;
};

inline FileAsk askForAFile(WebKitWebView* view) {
  FileAsk out;
  const guint signal = g_signal_lookup("run-file-chooser", WEBKIT_TYPE_WEB_VIEW);
  const gulong hook = g_signal_add_emission_hook(
      signal, 0,
      [](GSignalInvocationHint*, guint, const GValue*, gpointer asked) -> gboolean {
        ++*static_cast<int*>(asked);
        return TRUE;
      },
      &out.asked, nullptr);
  // Run as the user's gesture, as a click on the page's own button would be.
  evaluate(view, "const f = document.createElement('input'); f.type = 'file'; f.id = 'asked';"
                 "document.body.append(f); f.click(); 'clicked'");
  pumpUntil([&] { return out.asked > 0; }, 3000);
  pump(500);  // time for a dialog to come up
  g_signal_remove_emission_hook(signal, hook);
  while (GtkWidget* chooser = shownFileChooser()) {
    out.shown = true;
    gtk_window_destroy(GTK_WINDOW(chooser));
  }
  out.files = evaluate(view, "String(document.getElementById('asked').files.length)");
  return out;
}

// A small site on a loopback port, served from its own thread.
class LoopbackSite {
 public:
  struct Request {
    std::string path;
    std::string cookie;  // the Cookie header, empty when none came
  };

  std::uint16_t port() const { return server_.port(); }
  std::string url(const std::string& path, const std::string& host = "127.0.0.1") const {
    return "http://" + host + ":" + std::to_string(port()) + path;
  }
  std::vector<Request> requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }
  std::size_t requestCount(const std::string& path = {}) const {
    std::lock_guard lock(mutex_);
    if (path.empty()) return requests_.size();
    return static_cast<std::size_t>(std::count_if(requests_.begin(), requests_.end(),
                                                  [&](const Request& r) { return r.path == path; }));
  }

 private:
  void handle(SoupServerMessage* message, const char* path) {
    SoupMessageHeaders* in = soup_server_message_get_request_headers(message);
    SoupMessageHeaders* out = soup_server_message_get_response_headers(message);
    const char* cookie = soup_message_headers_get_one(in, "Cookie");
    {
      std::lock_guard lock(mutex_);
      requests_.push_back({path, cookie ? cookie : ""});
    }
    const std::string route = path;
    std::string type = "text/html";
    std::string body;
    guint status = 200;
    if (route == "/a") {
      body = "<title>A</title><a id=next href='/b'>to b</a>";
    } else if (route == "/b") {
      body = "<title>B</title>";
    } else if (route == "/redirect") {
      status = 302;
      soup_message_headers_replace(out, "Location", "/a");
    } else if (route == "/remember") {
      soup_message_headers_append(out, "Set-Cookie", "kept=1; Path=/; Max-Age=86400");
      soup_message_headers_replace(out, "Cache-Control", "public, max-age=86400");
      body = "<title>remember</title><script>"
             "document.cookie = 'script=1; max-age=86400; path=/';"
             "localStorage.setItem('kept', '1'); sessionStorage.setItem('kept', '1');"
             "const open = indexedDB.open('kept', 1);"
             "open.onupgradeneeded = () => open.result.createObjectStore('s');"
             "open.onsuccess = () => { const t = open.result.transaction('s', 'readwrite');"
             "  t.objectStore('s').put('1', 'k'); t.oncomplete = () => { document.title = 'stored'; }; };"
             "</script>";
    } else if (route == "/worker" || route == "/shared") {
      // Each page proves it runs, then starts something that would outlive it.
      body = "<script>fetch('/worker-tick'); navigator.serviceWorker.register('/worker.js');</script>";
      if (route == "/shared") body = "<script>fetch('/shared-tick'); new SharedWorker('/shared.js');</script>";
    } else if (route == "/worker.js" || route == "/shared.js") {
      type = "text/javascript";
      body = "setInterval(() => fetch('" + route.substr(0, route.size() - 3) + "-tick'), 20);";
    } else if (route == "/alerts") {
      body = "<script>setInterval(() => { fetch('/alerts-tick'); alert('again'); }, 20);</script>";
    } else if (route == "/busy") {
      body = "<script>fetch('/busy-tick'); setTimeout(() => { for (;;) {} }, 50);</script>";
    } else if (route.ends_with("-tick")) {
      type = "text/plain";
    } else if (route == "/recall") {
      body = "<title>recall</title>";
    } else if (route == "/attachment") {
      type = "text/plain";
      soup_message_headers_replace(out, "Content-Disposition", "attachment; filename=\"leak-attachment.txt\"");
      body = "attached";
    } else if (route == "/offer") {
      body = "<title>offer</title><a id=save href='/file.bin' download='leak-link.bin'>save</a>";
    } else if (route == "/upload") {
      body = "<input type=file id=file><script>"
             "file.onchange = async () => { document.title = await file.files[0].text(); };</script>";
    } else if (route == "/file.bin") {
      type = "application/octet-stream";
      body = "bytes";
    } else {
      status = 404;
      body = "<title>missing</title>";
    }
    soup_server_message_set_status(message, status, nullptr);
    soup_server_message_set_response(message, type.c_str(), SOUP_MEMORY_COPY, body.data(), body.size());
  }

  mutable std::mutex mutex_;
  std::vector<Request> requests_;
  // Last, so it stops before what its handler touches goes.
  LoopbackServer server_{[this](SoupServerMessage* message, const char* path) { handle(message, path); }};
};

// Every file and folder under `root`, relative to it.
inline std::vector<std::string> everythingUnder(const std::filesystem::path& root) {
  std::vector<std::string> out;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    out.push_back(std::filesystem::relative(it->path(), root).string());
  }
  return out;
}

}  // namespace kivari::testing
