#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <libsoup/soup.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <mutex>

#include "Core/AppState.h"
#include "Intent/LLMIntentResolver.h"
#include "Intent/LocalModelRuntime.h"
#include "LoopbackServer.h"
#include "MainLoop.h"

namespace kivari {
namespace {

using Json = nlohmann::ordered_json;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

using testing::pumpUntil;

// A model runtime stand-in on loopback. It serves from a loop on its own
// thread, because the availability check blocks the caller's thread.
class FakeRuntimeServer {
 public:
  struct Response {
    guint status;
    std::string body;
    // Headers and the first byte of the body, then silence.
    bool stall = false;
    // Headers and the body in ten pieces this far apart.
    milliseconds trickle{0};
  };

  std::uint16_t port() const { return server_.port(); }

  void setTags(Response response) {
    std::lock_guard lock(mutex_);
    tags_ = std::move(response);
  }
  void queueChat(Response response) {
    std::lock_guard lock(mutex_);
    chatReplies_.push_back(std::move(response));
  }
  static std::string chatBody(const std::string& content) {
    return Json{{"message", {{"role", "assistant"}, {"content", content}}}, {"done", true}}.dump();
  }
  void queueContent(const std::string& content) { queueChat({200, chatBody(content)}); }
  void queueStall() { queueChat({200, "{", true}); }
  std::vector<Json> chatRequests() const {
    std::lock_guard lock(mutex_);
    return chatRequests_;
  }

 private:
  void handle(SoupServerMessage* message, const char* path) {
    const std::string_view route = path;
    Response response{404, "{}"};
    {
      std::lock_guard lock(mutex_);
      if (route == "/api/tags") {
        response = tags_;
      } else if (route == "/api/chat" &&
                 std::string_view(soup_server_message_get_method(message)) == "POST") {
        GBytes* bytes = soup_message_body_flatten(soup_server_message_get_request_body(message));
        gsize size = 0;
        const auto* raw = static_cast<const char*>(g_bytes_get_data(bytes, &size));
        chatRequests_.push_back(
            Json::parse(std::string(raw ? raw : "", size), nullptr, false));
        g_bytes_unref(bytes);
        response = {500, R"({"error":"nothing scripted"})"};
        if (!chatReplies_.empty()) {
          response = chatReplies_.front();
          chatReplies_.pop_front();
        }
      }
    }
    soup_server_message_set_status(message, response.status, nullptr);
    if (response.trickle.count() > 0) return trickle(message, response);
    if (response.stall) {
      // A chunked body that is never completed: the server sends what it has and waits.
      soup_message_headers_set_encoding(soup_server_message_get_response_headers(message),
                                        SOUP_ENCODING_CHUNKED);
      soup_message_body_append(soup_server_message_get_response_body(message), SOUP_MEMORY_COPY,
                               response.body.data(), response.body.size());
      return;
    }
    soup_server_message_set_response(message, "application/json", SOUP_MEMORY_COPY,
                                     response.body.data(), response.body.size());
  }

  // Sends the rest of a body a piece at a time from the server's loop, until
  // it is all sent or the client has gone.
  struct Trickle {
    SoupServerMessage* message;
    std::string rest;
    std::size_t piece;
    gulong finished = 0;
    bool gone = false;
  };

  static void trickle(SoupServerMessage* message, const Response& response) {
    soup_message_headers_set_encoding(soup_server_message_get_response_headers(message), SOUP_ENCODING_CHUNKED);
    auto* feed = new Trickle{SOUP_SERVER_MESSAGE(g_object_ref(message)), response.body, response.body.size() / 10 + 1};
    feed->finished = g_signal_connect(message, "finished", G_CALLBACK(+[](SoupServerMessage*, gpointer data) {
                                        static_cast<Trickle*>(data)->gone = true;
                                      }), feed);
    appendPiece(feed);
    GSource* timer = g_timeout_source_new(static_cast<guint>(response.trickle.count()));
    g_source_set_callback(timer, [](gpointer data) -> gboolean {
      auto* next = static_cast<Trickle*>(data);
      if (next->gone) return G_SOURCE_REMOVE;
      const bool last = appendPiece(next);
      soup_server_message_unpause(next->message);
      return last ? G_SOURCE_REMOVE : G_SOURCE_CONTINUE;
    }, feed, [](gpointer data) {
      auto* ended = static_cast<Trickle*>(data);
      g_signal_handler_disconnect(ended->message, ended->finished);
      g_object_unref(ended->message);
      delete ended;
    });
    g_source_attach(timer, g_main_context_get_thread_default());
    g_source_unref(timer);
  }

  // True once the last piece is in.
  static bool appendPiece(Trickle* feed) {
    SoupMessageBody* body = soup_server_message_get_response_body(feed->message);
    const std::size_t size = std::min(feed->piece, feed->rest.size());
    soup_message_body_append(body, SOUP_MEMORY_COPY, feed->rest.data(), size);
    feed->rest.erase(0, size);
    if (feed->rest.empty()) soup_message_body_complete(body);
    return feed->rest.empty();
  }

  mutable std::mutex mutex_;
  Response tags_{200, R"({"models":[{"name":"llama3.2:1b"},{"name":"qwen"}]})"};
  std::deque<Response> chatReplies_;
  std::vector<Json> chatRequests_;
  // Last, so it stops before what its handler touches goes.
  testing::LoopbackServer server_{[this](SoupServerMessage* message, const char* path) { handle(message, path); }};
};

// A loopback port whose connections wait in the backlog and are never answered.
class SilentListener {
 public:
  SilentListener() : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(fd_, reinterpret_cast<sockaddr*>(&address), length);
    listen(fd_, 8);
    getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
  }
  ~SilentListener() { close(fd_); }
  std::uint16_t port() const { return port_; }

 private:
  int fd_;
  std::uint16_t port_ = 0;
};

milliseconds timeOf(LocalModelRuntime& runtime, bool& available) {
  const auto start = Clock::now();
  available = runtime.isAvailable();
  return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
}

TEST(LocalModelRuntimeAvailability, AbsentOrSilentRuntimeIsUnavailableWithinTheLimit) {
  const std::uint16_t closed = SilentListener().port();
  LocalModelRuntime absent("127.0.0.1", closed);
  bool available = true;
  EXPECT_LT(timeOf(absent, available), milliseconds(100));
  EXPECT_FALSE(available);

  SilentListener silent;
  LocalModelRuntime hanging("127.0.0.1", silent.port());
  const auto waited = timeOf(hanging, available);
  EXPECT_FALSE(available);
  EXPECT_GE(waited, milliseconds(140));
  EXPECT_LE(waited, milliseconds(250));
}

TEST(LocalModelRuntimeAvailability, NeedsAFirstListedModelAskedAfreshEachTime) {
  FakeRuntimeServer server;
  LocalModelRuntime runtime("127.0.0.1", server.port());
  EXPECT_TRUE(runtime.isAvailable());
  for (const auto& tags : std::vector<FakeRuntimeServer::Response>{
           {200, R"({"models":[]})"},
           {200, R"({"models":[{"size":1},{"name":"second"}]})"},
           {200, "not json"},
           {500, R"({"models":[{"name":"x"}]})"}}) {
    server.setTags(tags);
    EXPECT_FALSE(runtime.isAvailable()) << tags.body;
  }
  server.setTags({200, R"({"models":[{"name":"phi3"}]})"});
  EXPECT_TRUE(runtime.isAvailable());
}

TEST(LocalModelRuntimeChat, ResolverAsksTheFirstModelWithInstructionsAndSchema) {
  FakeRuntimeServer server;
  LLMIntentResolver resolver(std::make_shared<LocalModelRuntime>("127.0.0.1", server.port()));
  server.queueContent(R"({"category":"game","query":"chess"})");
  std::optional<std::optional<ClassifiedIntent>> answer;
  resolver.resolve("let's play", [&](std::optional<ClassifiedIntent> intent) { answer = intent; });
  ASSERT_TRUE(pumpUntil([&] { return answer.has_value(); }));
  ASSERT_TRUE(*answer && (*answer)->expression);
  EXPECT_EQ(*(*answer)->expression, Expression::game("chess"));

  const Json request = server.chatRequests().at(0);
  EXPECT_EQ(request.at("model"), "llama3.2:1b");
  EXPECT_EQ(request.at("stream"), false);
  EXPECT_EQ(request.at("format"), ParsedIntent::generationSchema());
  EXPECT_EQ(request.at("messages"),
            (Json::array({{{"role", "system"}, {"content", intentInstructions()}},
                          {{"role", "user"}, {"content", "let's play"}}})));
}

class LocalModelRuntimeSessionTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(runtime.isAvailable()); }

  std::optional<ParsedIntent> ask(const std::string& prompt) {
    std::optional<std::optional<ParsedIntent>> reply;
    session->respond(prompt, [&](std::optional<ParsedIntent> intent) { reply = intent; });
    EXPECT_FALSE(reply);  // never inside respond
    EXPECT_TRUE(pumpUntil([&] { return reply.has_value(); }));
    return reply.value_or(std::nullopt);
  }

  FakeRuntimeServer server;
  LocalModelRuntime runtime{"127.0.0.1", server.port()};
  std::unique_ptr<LanguageModelSession> session = runtime.makeSession("prime");
};

TEST_F(LocalModelRuntimeSessionTest, OnlyReadableAnswersJoinTheTranscript) {
  const std::string first = R"({"category":"browser","url":"example.com"})";
  server.queueContent(first);
  ASSERT_TRUE(ask("first"));

  server.queueContent("the user wants a browser");                 // not JSON
  server.queueContent(R"({"category":"volumeMax"})");              // outside the 22
  server.queueChat({200, R"({"message":{"role":"assistant"}})"});  // no content
  server.queueChat({500, R"({"error":"model crashed"})"});
  for (const char* prompt : {"bad1", "bad2", "bad3", "bad4"}) EXPECT_FALSE(ask(prompt)) << prompt;

  server.queueContent(R"({"category":"notes"})");
  const auto notes = ask("second");
  ASSERT_TRUE(notes);
  EXPECT_EQ(notes->category, IntentCategory::notes);

  const auto requests = server.chatRequests();
  ASSERT_EQ(requests.size(), 6u);
  const Json afterFirst = Json::array({{{"role", "system"}, {"content", "prime"}},
                                       {{"role", "user"}, {"content", "first"}},
                                       {{"role", "assistant"}, {"content", first}}});
  for (std::size_t i = 1; i < requests.size(); ++i) {
    const Json& messages = requests[i].at("messages");
    ASSERT_EQ(messages.size(), 4u) << i;
    EXPECT_EQ(Json(messages.begin(), messages.begin() + 3), afterFirst) << i;
  }
}

TEST_F(LocalModelRuntimeSessionTest, AReplyPastTheLimitIsNoAnswerAndIsNotKept) {
  const std::string notes = R"({"category":"notes"})";
  const std::size_t room = LocalModelRuntime::kMaxAnswerBytes - FakeRuntimeServer::chatBody(notes).size();
  server.queueContent(notes + std::string(room + 1, ' '));
  EXPECT_FALSE(ask("one byte too many"));
  server.queueContent(notes + std::string(room, ' '));
  EXPECT_TRUE(ask("just fits"));
  server.queueContent(notes);
  ASSERT_TRUE(ask("next"));

  // The answer that fit is too large to be kept; nothing of either is sent on.
  const Json messages = server.chatRequests().at(2).at("messages");
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[1].at("content"), "next");
}

TEST_F(LocalModelRuntimeSessionTest, TheTranscriptSentOnKeepsTheLatestExchangesWithinItsBound) {
  const std::string notes = R"({"category":"notes"})";
  // Each exchange takes a little over a third of the bound: two fit, three do not.
  const std::string filler(LocalModelRuntime::kMaxTranscriptBytes / 3, 'x');
  for (const char* prompt : {"a", "b", "c", "d"}) {
    server.queueContent(notes);
    ASSERT_TRUE(ask(prompt + filler)) << prompt;
  }
  auto sent = [&](std::size_t request) {
    std::vector<std::string> prompts;
    const Json messages = server.chatRequests().at(request).at("messages");
    for (const auto& message : messages) {
      if (message.at("role") == "user") prompts.push_back(message.at("content").get<std::string>().substr(0, 1));
    }
    return prompts;
  };
  EXPECT_EQ(sent(1), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(sent(2), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(sent(3), (std::vector<std::string>{"b", "c", "d"}));
}

TEST(LocalModelRuntimeStalls, StalledRepliesNeverHoldUpANewRequestAndEndOnceSilent) {
  FakeRuntimeServer server;
  // Long enough for the last request's round trip, short for the test.
  LocalModelRuntime runtime("127.0.0.1", server.port(), milliseconds(3000));
  ASSERT_TRUE(runtime.isAvailable());
  const auto session = runtime.makeSession("prime");

  constexpr std::size_t kStalled = LocalModelRuntime::kMaxRepliesAwaited;
  std::vector<std::optional<std::optional<ParsedIntent>>> replies(kStalled + 1);
  for (std::size_t i = 0; i < kStalled; ++i) {
    server.queueStall();
    session->respond("stall", [&replies, i](std::optional<ParsedIntent> intent) { replies[i] = intent; });
  }
  ASSERT_TRUE(pumpUntil([&] { return server.chatRequests().size() == kStalled; }));

  // Past the bound, a request gives up the oldest reply and is answered at once.
  server.queueContent(R"({"category":"notes"})");
  session->respond("next", [&](std::optional<ParsedIntent> intent) { replies[kStalled] = intent; });
  ASSERT_TRUE(pumpUntil([&] { return replies[kStalled].has_value(); }));
  ASSERT_TRUE(*replies[kStalled]);
  EXPECT_EQ((*replies[kStalled])->category, IntentCategory::notes);
  ASSERT_TRUE(replies[0].has_value());
  EXPECT_FALSE(*replies[0]);
  for (std::size_t i = 1; i < kStalled; ++i) EXPECT_FALSE(replies[i].has_value()) << i;

  // The silent ones end as no answer.
  ASSERT_TRUE(pumpUntil([&] {
    return std::all_of(replies.begin(), replies.end(), [](const auto& reply) { return reply.has_value(); });
  }));
  for (std::size_t i = 1; i < kStalled; ++i) EXPECT_FALSE(*replies[i]) << i;
}

// An answer that keeps coming for longer than the idle limit, never silent
// as long, is taken.
TEST(LocalModelRuntimeStalls, AReplyThatKeepsComingOutlastsTheIdleLimit) {
  FakeRuntimeServer server;
  LocalModelRuntime runtime("127.0.0.1", server.port(), milliseconds(600));
  ASSERT_TRUE(runtime.isAvailable());
  const auto session = runtime.makeSession("prime");
  server.queueChat({200, FakeRuntimeServer::chatBody(R"({"category":"notes"})"), false, milliseconds(100)});
  std::optional<std::optional<ParsedIntent>> reply;
  session->respond("slow", [&](std::optional<ParsedIntent> intent) { reply = intent; });
  ASSERT_TRUE(pumpUntil([&] { return reply.has_value(); }));
  ASSERT_TRUE(*reply);
  EXPECT_EQ((*reply)->category, IntentCategory::notes);
}

TEST_F(LocalModelRuntimeSessionTest, RuntimeGoneMidRunGivesNone) {
  auto gone = std::make_unique<FakeRuntimeServer>();
  LocalModelRuntime shortLived("127.0.0.1", gone->port());
  ASSERT_TRUE(shortLived.isAvailable());
  session = shortLived.makeSession("prime");
  gone.reset();
  EXPECT_FALSE(ask("anything"));
}

// The whole road: a request the rules miss goes to the runtime and back.
TEST(LocalModelRuntimeRoad, ThinkingFirstThenTheMappedAnswer) {
  FakeRuntimeServer server;
  AppStateServices services;
  services.modelResolver =
      std::make_shared<LLMIntentResolver>(std::make_shared<LocalModelRuntime>("127.0.0.1", server.port()));
  AppState state(std::make_unique<ManifestRegistry>(std::nullopt), std::move(services));
  server.queueContent(R"({"category":"notes"})");
  state.setIntentText("purple elephant");
  state.submit();
  ASSERT_EQ(state.statusMessages().size(), 3u);
  EXPECT_EQ(state.statusMessages()[2].text, "Thinking…");
  EXPECT_TRUE(state.isThinking());
  ASSERT_TRUE(pumpUntil([&] { return !state.isThinking(); }));
  EXPECT_EQ(state.mode(), AppMode::capabilityPrompt(Expression::notes()));
  EXPECT_EQ(state.statusMessages().back().text,
            "Ephemeral FS · Local memory only · Zero persistence on dissolve");
}

TEST(LocalModelRuntimeRoad, NoRuntimeShowsTheHintAtOnce) {
  const auto port = [] {
    FakeRuntimeServer closed;
    return closed.port();  // free again once the server is gone
  }();
  AppStateServices services;
  services.modelResolver =
      std::make_shared<LLMIntentResolver>(std::make_shared<LocalModelRuntime>("127.0.0.1", port));
  AppState state(std::make_unique<ManifestRegistry>(std::nullopt), std::move(services));
  const auto start = Clock::now();
  state.setIntentText("purple elephant");
  state.submit();
  EXPECT_LT(Clock::now() - start, milliseconds(200));
  ASSERT_EQ(state.statusMessages().size(), 3u);
  EXPECT_EQ(state.statusMessages()[2].text, AppState::hintText());
  EXPECT_FALSE(state.isThinking());
}

}  // namespace
}  // namespace kivari
