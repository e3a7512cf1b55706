#include "Cells/BrowserState.h"

#include <gtest/gtest.h>

#include <vector>

namespace kivari {
namespace {

struct FakeWebView : BrowserWebViewPort {
  void load(const Url& url) override { loads.push_back(url.absoluteString()); }
  void goBack() override { ++backs; }
  void goForward() override { ++forwards; }
  std::optional<std::string> currentAddress() const override { return address; }
  bool canGoBack() const override { return back; }
  bool canGoForward() const override { return forward; }

  std::vector<std::string> loads;
  int backs = 0, forwards = 0;
  std::optional<std::string> address;
  bool back = false, forward = false;
};

TEST(BrowserState, NavigateLoadsOnlyTextThatIsAnAddressAndLeavesTheField) {
  BrowserState state;
  auto view = std::make_shared<FakeWebView>();
  state.setWebView(view);
  state.setUrlText("typed");
  for (const char* text : {"hello", "a b.com", "a.b", "", "   "}) state.navigate(text);
  EXPECT_TRUE(view->loads.empty());

  state.navigate("  example.com/path  ");
  state.navigate("http://127.0.0.1:8080/a");
  EXPECT_EQ(view->loads, (std::vector<std::string>{"https://example.com/path", "http://127.0.0.1:8080/a"}));
  EXPECT_EQ(state.urlText(), "typed");
}

TEST(BrowserState, FinishedNavigationCopiesTheViewAndNotifiesOnlyChanges) {
  BrowserState state;
  EXPECT_FALSE(state.canGoBack() || state.canGoForward());
  FakeWebView view;
  int text = 0, back = 0, forward = 0;
  state.signalUrlTextChanged().connect([&] { ++text; });
  state.signalCanGoBackChanged().connect([&] { ++back; });
  state.signalCanGoForwardChanged().connect([&] { ++forward; });

  view.address = "http://h/a";
  state.didFinishNavigation(view);
  EXPECT_EQ(state.urlText(), "http://h/a");
  EXPECT_EQ(std::vector<int>({text, back, forward}), std::vector<int>({1, 0, 0}));

  view.back = true;
  state.didFinishNavigation(view);
  EXPECT_TRUE(state.canGoBack());
  EXPECT_EQ(std::vector<int>({text, back, forward}), std::vector<int>({1, 1, 0}));

  state.setUrlText("half typ");  // a finish overwrites unsent text
  view.address.reset();
  view.forward = true;
  state.didFinishNavigation(view);
  EXPECT_EQ(state.urlText(), "");
  EXPECT_TRUE(state.canGoForward());
  EXPECT_EQ(std::vector<int>({text, back, forward}), std::vector<int>({3, 1, 1}));
}

TEST(BrowserState, HistoryStepsGoToTheViewAndNothingHappensOnceItIsGone) {
  BrowserState state;
  auto view = std::make_shared<FakeWebView>();
  state.setWebView(view);
  state.goBack();
  state.goForward();
  state.goForward();
  EXPECT_EQ(view->backs, 1);
  EXPECT_EQ(view->forwards, 2);

  std::weak_ptr<FakeWebView> watcher = view;
  view.reset();  // the model never kept it alive
  EXPECT_TRUE(watcher.expired());
  EXPECT_EQ(state.webView(), nullptr);
  state.goBack();
  state.goForward();
  state.navigate("https://x.org");
}

}  // namespace
}  // namespace kivari
