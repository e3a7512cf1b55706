#include "Intent/LocalModelRuntime.h"

#include "Core/MainContext.h"

#include <gio/gio.h>
#include <libsoup/soup.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <mutex>
#include <utility>

namespace kivari {

using Json = nlohmann::ordered_json;

struct LocalModelRuntime::Endpoint {
  std::string host;
  std::uint16_t port = 0;
  std::chrono::milliseconds idleLimit = kIdleLimit;

  std::string uri(std::string_view path) const {
    const bool literalV6 = host.find(':') != std::string::npos;
    return "http://" + (literalV6 ? "[" + host + "]" : host) + ":" + std::to_string(port) +
           std::string(path);
  }

  std::string model() const {
    std::lock_guard lock(mutex_);
    return model_;
  }
  void setModel(std::string name) {
    std::lock_guard lock(mutex_);
    model_ = std::move(name);
  }

 private:
  mutable std::mutex mutex_;
  // The first model of the last successful availability check.
  std::string model_;
};

namespace {

// The runtime is on this machine: never route it through a proxy. Up to
// `connections` are open to it at once. No I/O time-out of libsoup's: the chat
// keeps its own idle limit.
SoupSession* newDirectSession(int connections) {
  GProxyResolver* direct = g_simple_proxy_resolver_new(nullptr, nullptr);
  SoupSession* session =
      soup_session_new_with_options("proxy-resolver", direct, "timeout", 0u, "max-conns", connections,
                                    "max-conns-per-host", connections, nullptr);
  g_object_unref(direct);
  return session;
}

// The body of a finished request when the server answered 2xx; none otherwise.
std::optional<std::string> finishRead(GObject* source, GAsyncResult* result, SoupMessage* message) {
  GError* error = nullptr;
  GBytes* bytes = soup_session_send_and_read_finish(SOUP_SESSION(source), result, &error);
  if (error) g_error_free(error);
  if (!bytes) return std::nullopt;
  const guint status = soup_message_get_status(message);
  std::optional<std::string> body;
  if (SOUP_STATUS_IS_SUCCESSFUL(status)) {
    gsize size = 0;
    const auto* data = static_cast<const char*>(g_bytes_get_data(bytes, &size));
    body = std::string(data ? data : "", size);
  }
  g_bytes_unref(bytes);
  return body;
}

// The first model's name in a /api/tags answer.
std::optional<std::string> firstModel(const std::string& body) {
  const Json tags = Json::parse(body, nullptr, false);
  if (!tags.is_object()) return std::nullopt;
  const auto models = tags.find("models");
  if (models == tags.end() || !models->is_array() || models->empty()) return std::nullopt;
  const Json& first = models->front();
  if (!first.is_object()) return std::nullopt;
  const auto name = first.find("name");
  if (name == first.end() || !name->is_string() || name->get<std::string>().empty()) {
    return std::nullopt;
  }
  return name->get<std::string>();
}

// The assistant's content text in a /api/chat answer.
std::optional<std::string> chatContent(const std::string& body) {
  const Json answer = Json::parse(body, nullptr, false);
  if (!answer.is_object()) return std::nullopt;
  const auto message = answer.find("message");
  if (message == answer.end() || !message->is_object()) return std::nullopt;
  const auto content = message->find("content");
  if (content == message->end() || !content->is_string()) return std::nullopt;
  return content->get<std::string>();
}

struct ProbeState {
  bool done = false;
  bool gaveUp = false;
  std::optional<std::string> model;
};

struct ProbeCall {
  std::shared_ptr<ProbeState> state;
  SoupMessage* message;
};

void onProbeRead(GObject* source, GAsyncResult* result, gpointer data) {
  std::unique_ptr<ProbeCall> call(static_cast<ProbeCall*>(data));
  if (const auto body = finishRead(source, result, call->message)) {
    call->state->model = firstModel(*body);
  }
  call->state->done = true;
  g_object_unref(call->message);
}

GSource* attachTimer(GMainContext* context, std::chrono::milliseconds after,
                     std::function<void()> action) {
  GSource* timer = g_timeout_source_new(static_cast<guint>(after.count()));
  g_source_set_callback(
      timer,
      [](gpointer data) -> gboolean {
        (*static_cast<std::function<void()>*>(data))();
        return G_SOURCE_REMOVE;
      },
      new std::function<void()>(std::move(action)),
      [](gpointer data) { delete static_cast<std::function<void()>*>(data); });
  g_source_attach(timer, context);
  return timer;
}

// The instructions, then the latest prompts with their answers, within
// kMaxTranscriptBytes; only readable answers join it.
class Transcript {
 public:
  explicit Transcript(std::string instructions) : instructions_(std::move(instructions)) {}

  void add(std::string prompt, std::string answer) {
    bytes_ += prompt.size() + answer.size();
    exchanges_.push_back({std::move(prompt), std::move(answer)});
    while (bytes_ > LocalModelRuntime::kMaxTranscriptBytes && !exchanges_.empty()) {
      bytes_ -= exchanges_.front().prompt.size() + exchanges_.front().answer.size();
      exchanges_.pop_front();
    }
  }

  // The chat messages for a new prompt.
  Json messages(const std::string& prompt) const {
    Json messages = Json::array({{{"role", "system"}, {"content", instructions_}}});
    for (const auto& exchange : exchanges_) {
      messages.push_back({{"role", "user"}, {"content", exchange.prompt}});
      messages.push_back({{"role", "assistant"}, {"content", exchange.answer}});
    }
    messages.push_back({{"role", "user"}, {"content", prompt}});
    return messages;
  }

 private:
  struct Exchange {
    std::string prompt;
    std::string answer;
  };
  std::string instructions_;
  std::deque<Exchange> exchanges_;
  std::size_t bytes_ = 0;
};

// The replies a session awaits, oldest first, by the handle that gives each up.
using Awaited = std::deque<GCancellable*>;

// One request in flight: its reply body is read piece by piece, and given up
// on once it passes kMaxAnswerBytes or stays silent for the idle limit.
struct ChatCall {
  ChatCall(std::shared_ptr<Transcript> transcript_, std::string prompt_,
           LanguageModelSession::Reply reply_, SoupMessage* message_,
           std::shared_ptr<Awaited> awaited_, std::chrono::milliseconds idleLimit_)
      : transcript(std::move(transcript_)),
        prompt(std::move(prompt_)),
        reply(std::move(reply_)),
        message(message_),
        awaited(std::move(awaited_)),
        idleLimit(idleLimit_) {
    awaited->push_back(cancellable);
    heardFrom();
  }
  ~ChatCall() {
    stopWaiting();
    if (body) g_object_unref(body);
    g_object_unref(message);
    g_object_unref(cancellable);
  }
  ChatCall(const ChatCall&) = delete;
  ChatCall& operator=(const ChatCall&) = delete;

  std::shared_ptr<Transcript> transcript;
  std::string prompt;
  LanguageModelSession::Reply reply;
  SoupMessage* message;
  std::shared_ptr<Awaited> awaited;
  std::chrono::milliseconds idleLimit;
  GCancellable* cancellable = g_cancellable_new();
  GSource* idle = nullptr;
  GInputStream* body = nullptr;
  std::string received;

  // The runtime sent something: the silence starts anew.
  void heardFrom() {
    if (idle) {
      g_source_destroy(idle);
      g_source_unref(idle);
    }
    idle = g_timeout_source_new(static_cast<guint>(idleLimit.count()));
    g_source_set_callback(
        idle,
        [](gpointer handle) -> gboolean {
          g_cancellable_cancel(G_CANCELLABLE(handle));
          return G_SOURCE_REMOVE;
        },
        g_object_ref(cancellable), g_object_unref);
    g_source_attach(idle, g_main_context_get_thread_default());
  }

  void stopWaiting() {
    if (idle) {
      g_source_destroy(idle);
      g_source_unref(idle);
      idle = nullptr;
    }
    const auto mine = std::find(awaited->begin(), awaited->end(), cancellable);
    if (mine != awaited->end()) awaited->erase(mine);
  }

  void finish(bool complete) {
    // No longer awaited before the reply runs, which may ask again.
    stopWaiting();
    std::optional<ParsedIntent> parsed;
    std::optional<std::string> content;
    if (complete) content = chatContent(received);
    if (content) parsed = ParsedIntent::fromGeneratedContent(Json::parse(*content, nullptr, false));
    // Only a readable answer joins the conversation.
    if (parsed) transcript->add(std::move(prompt), std::move(*content));
    reply(std::move(parsed));
  }
};

constexpr gsize kReadChunk = 64 * 1024;

void onChatChunk(GObject* source, GAsyncResult* result, gpointer data) {
  std::unique_ptr<ChatCall> call(static_cast<ChatCall*>(data));
  GBytes* chunk = g_input_stream_read_bytes_finish(G_INPUT_STREAM(source), result, nullptr);
  if (!chunk) return call->finish(false);
  gsize size = 0;
  const auto* bytes = static_cast<const char*>(g_bytes_get_data(chunk, &size));
  const bool ended = size == 0;
  if (!ended) call->heardFrom();
  const bool tooLarge = call->received.size() + size > LocalModelRuntime::kMaxAnswerBytes;
  if (!ended && !tooLarge) call->received.append(bytes, size);
  g_bytes_unref(chunk);
  if (ended || tooLarge) return call->finish(ended);
  const gsize wanted = std::min(kReadChunk, LocalModelRuntime::kMaxAnswerBytes + 1 - call->received.size());
  GInputStream* body = call->body;
  GCancellable* cancellable = call->cancellable;
  g_input_stream_read_bytes_async(body, wanted, G_PRIORITY_DEFAULT, cancellable, onChatChunk, call.release());
}

void onChatSent(GObject* source, GAsyncResult* result, gpointer data) {
  std::unique_ptr<ChatCall> call(static_cast<ChatCall*>(data));
  call->body = soup_session_send_finish(SOUP_SESSION(source), result, nullptr);
  if (!call->body || !SOUP_STATUS_IS_SUCCESSFUL(soup_message_get_status(call->message))) {
    return call->finish(false);
  }
  call->heardFrom();
  GInputStream* body = call->body;
  GCancellable* cancellable = call->cancellable;
  g_input_stream_read_bytes_async(body, kReadChunk, G_PRIORITY_DEFAULT, cancellable, onChatChunk, call.release());
}

class RuntimeSession final : public LanguageModelSession {
 public:
  RuntimeSession(std::shared_ptr<LocalModelRuntime::Endpoint> endpoint,
                 const std::string& instructions)
      : endpoint_(std::move(endpoint)), transcript_(std::make_shared<Transcript>(instructions)) {}

  ~RuntimeSession() override {
    // Requests in flight hold their own reference and still reply.
    if (session_) g_object_unref(session_);
  }
  RuntimeSession(const RuntimeSession&) = delete;
  RuntimeSession& operator=(const RuntimeSession&) = delete;

  void respond(const std::string& prompt, Reply reply) override {
    const std::string model = endpoint_->model();
    SoupMessage* message =
        model.empty() ? nullptr : soup_message_new("POST", endpoint_->uri("/api/chat").c_str());
    if (!message) {
      postToContext(nullptr, [reply = std::move(reply)] { reply(std::nullopt); });
      return;
    }

    Json request = Json::object();
    request["model"] = model;
    request["messages"] = transcript_->messages(prompt);
    request["format"] = ParsedIntent::generationSchema();
    request["stream"] = false;
    const std::string text = request.dump(-1, ' ', false, Json::error_handler_t::replace);
    GBytes* bytes = g_bytes_new(text.data(), text.size());
    soup_message_set_request_body_from_bytes(message, "application/json", bytes);
    g_bytes_unref(bytes);

    // Room for every awaited reply and as many again winding down after
    // being given up, so a new request never waits for a free connection.
    constexpr auto kConnections = static_cast<int>(2 * LocalModelRuntime::kMaxRepliesAwaited);
    if (!session_) session_ = newDirectSession(kConnections);
    if (awaited_->size() >= LocalModelRuntime::kMaxRepliesAwaited) {
      // Its reply comes back as no answer.
      g_cancellable_cancel(awaited_->front());
      awaited_->pop_front();
    }
    auto* call = new ChatCall(transcript_, prompt, std::move(reply), message, awaited_,
                              endpoint_->idleLimit);
    soup_session_send_async(session_, message, G_PRIORITY_DEFAULT, call->cancellable, onChatSent, call);
  }

 private:
  std::shared_ptr<LocalModelRuntime::Endpoint> endpoint_;
  std::shared_ptr<Transcript> transcript_;
  std::shared_ptr<Awaited> awaited_ = std::make_shared<Awaited>();
  SoupSession* session_ = nullptr;
};

}  // namespace

LocalModelRuntime::LocalModelRuntime(std::string host, std::uint16_t port,
                                     std::chrono::milliseconds idleLimit)
    : endpoint_(std::make_shared<Endpoint>()) {
  endpoint_->host = std::move(host);
  endpoint_->port = port;
  endpoint_->idleLimit = idleLimit;
}

LocalModelRuntime::~LocalModelRuntime() = default;

bool LocalModelRuntime::isAvailable() {
  // Runs the probe on a private context so nothing else of the caller's loop
  // is dispatched while it waits.
  GMainContext* context = g_main_context_new();
  g_main_context_push_thread_default(context);

  auto state = std::make_shared<ProbeState>();
  SoupMessage* message = soup_message_new("GET", endpoint_->uri("/api/tags").c_str());
  if (message) {
    SoupSession* session = newDirectSession(1);
    GCancellable* cancellable = g_cancellable_new();
    soup_session_send_and_read_async(session, message, G_PRIORITY_DEFAULT, cancellable, onProbeRead,
                                     new ProbeCall{state, SOUP_MESSAGE(g_object_ref(message))});
    GSource* limit =
        attachTimer(context, kProbeLimit, [cancellable] { g_cancellable_cancel(cancellable); });
    // A cancelled request reports back at once; this only guards against one that does not.
    GSource* backstop = attachTimer(context, kProbeLimit + std::chrono::milliseconds(50),
                                    [state] { state->gaveUp = true; });
    while (!state->done && !state->gaveUp) g_main_context_iteration(context, TRUE);
    g_source_destroy(limit);
    g_source_unref(limit);
    g_source_destroy(backstop);
    g_source_unref(backstop);
    g_object_unref(cancellable);
    g_object_unref(message);
    g_object_unref(session);
  }

  g_main_context_pop_thread_default(context);
  g_main_context_unref(context);

  if (!state->done || !state->model) return false;
  endpoint_->setModel(*state->model);
  return true;
}

std::unique_ptr<LanguageModelSession> LocalModelRuntime::makeSession(
    const std::string& instructions) {
  return std::make_unique<RuntimeSession>(endpoint_, instructions);
}

}  // namespace kivari
