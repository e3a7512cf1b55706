#pragma once

#include <libsoup/soup.h>

#include <cstdint>
#include <functional>
#include <future>
#include <thread>

namespace kivari::testing {

// An HTTP server on a loopback port, served from a loop on its own thread so
// that callers may block their own thread on it. The handler runs on that thread.
class LoopbackServer {
 public:
  using Handler = std::function<void(SoupServerMessage* message, const char* path)>;

  explicit LoopbackServer(Handler handler)
      : handler_(std::move(handler)), context_(g_main_context_new()), loop_(g_main_loop_new(context_, FALSE)) {
    std::promise<std::uint16_t> started;
    auto port = started.get_future();
    thread_ = std::thread([this, &started] { run(started); });
    port_ = port.get();
  }

  ~LoopbackServer() {
    // Quit from inside the server's own loop: a quit sent before the loop
    // starts running would be lost and the join would never return.
    GSource* quit = g_idle_source_new();
    g_source_set_callback(
        quit,
        [](gpointer loop) {
          g_main_loop_quit(static_cast<GMainLoop*>(loop));
          return G_SOURCE_REMOVE;
        },
        loop_, nullptr);
    g_source_attach(quit, context_);
    g_source_unref(quit);
    thread_.join();
    g_main_loop_unref(loop_);
    g_main_context_unref(context_);
  }

  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  // 0 when no port could be had.
  std::uint16_t port() const { return port_; }

 private:
  void run(std::promise<std::uint16_t>& started) {
    // The server's sources go to the thread-default context at listen time.
    g_main_context_push_thread_default(context_);
    SoupServer* server = soup_server_new(nullptr, nullptr);
    soup_server_add_handler(server, nullptr, &LoopbackServer::handle, this, nullptr);
    std::uint16_t port = 0;
    if (soup_server_listen_local(server, 0, SOUP_SERVER_LISTEN_IPV4_ONLY, nullptr)) {
      GSList* uris = soup_server_get_uris(server);
      if (uris != nullptr) port = static_cast<std::uint16_t>(g_uri_get_port(static_cast<GUri*>(uris->data)));
      g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
    }
    started.set_value(port);
    g_main_loop_run(loop_);
    soup_server_disconnect(server);
    g_object_unref(server);
    g_main_context_pop_thread_default(context_);
  }

  static void handle(SoupServer*, SoupServerMessage* message, const char* path, GHashTable*, gpointer self) {
    static_cast<LoopbackServer*>(self)->handler_(message, path);
  }

  Handler handler_;
  GMainContext* context_;
  GMainLoop* loop_;
  std::thread thread_;
  std::uint16_t port_ = 0;
};

}  // namespace kivari::testing
