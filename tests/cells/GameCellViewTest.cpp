#include "Cells/GameCellView.h"

#include "WebTestSupport.h"

#include <memory>

namespace kivari {
namespace {

using namespace testing;

class GameCellViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window.set_default_size(900, 760);
    window.set_child(frame);
    window.present();
    ASSERT_TRUE(pumpUntil([&] { return window.get_mapped(); }));
  }

  void TearDown() override {
    dissolve();
    window.hide();
  }

  GameCellView& open(const std::string& name) {
    cell = std::make_unique<GameCellView>(name, [this] { ++dismissals; }, clock);
    frame.append(*cell);
    pumpUntil([&] { return cell->get_mapped(); });
    return *cell;
  }

  // As the shell does: let go at once, destroy after the fade.
  void dissolve() {
    if (!cell) return;
    cell->cellDissolving();
    frame.remove(*cell);
    cell.reset();
  }

  // The rows' states as the panel shows them, e.g. "done current pending pending".
  std::string rowStates() {
    std::string out;
    std::function<void(Gtk::Widget&)> walk = [&](Gtk::Widget& w) {
      if (w.has_css_class("game-step")) {
        for (const char* state : {"done", "current", "pending"}) {
          if (w.has_css_class(state)) out += (out.empty() ? "" : " ") + std::string(state);
        }
      }
      for (auto* c = w.get_first_child(); c != nullptr; c = c->get_next_sibling()) walk(*c);
    };
    walk(*cell);
    return out;
  }

  static std::vector<std::string> labelsIn(Gtk::Widget& root) {
    std::vector<std::string> out;
    if (auto* label = dynamic_cast<Gtk::Label*>(&root)) out.push_back(label->get_text());
    for (auto* c = root.get_first_child(); c != nullptr; c = c->get_next_sibling()) {
      const auto inner = labelsIn(*c);
      out.insert(out.end(), inner.begin(), inner.end());
    }
    return out;
  }

  ManualScheduler clock;
  Gtk::Window window;
  Gtk::Box frame{Gtk::Orientation::VERTICAL};
  std::unique_ptr<GameCellView> cell;
  int dismissals = 0;
};

TEST_F(GameCellViewTest, StepsTickOffThenANewGameFadesInAndGoesWithTheCell) {
  // Markup in a name stays plain text.
  const std::string name = "<b>Chess</b> & _x";
  auto& view = open(name);
  const auto header = labelsIn(view.header());
  ASSERT_EQ(header.size(), 2u);
  EXPECT_EQ(header[0], name);
  EXPECT_EQ(header[1], dnaBackbone(name) + " DNA");

  EXPECT_EQ(rowStates(), "current pending pending pending");
  clock.advance(Scheduler::Duration(900));
  EXPECT_EQ(rowStates(), "done current pending pending");
  clock.advance(Scheduler::Duration(2700));
  EXPECT_EQ(rowStates(), "done done done done");
  clock.advance(Scheduler::Duration(499));
  EXPECT_EQ(view.webView(), nullptr);
  clock.advance(Scheduler::Duration(1));
  ASSERT_NE(view.webView(), nullptr);

  {
    LoadWatcher loads(view.webView());
    ASSERT_TRUE(loads.waitPast(0));
    EXPECT_EQ(loads.failed, 0);
  }
  EXPECT_EQ(webkit_web_view_get_uri(view.webView()), std::string("about:blank"));
  EXPECT_EQ(evaluate(view.webView(), "document.querySelectorAll('#grid .c').length"), "49");
  EXPECT_EQ(evaluate(view.webView(), "document.getElementById('sc').textContent"), "0");
  EXPECT_EQ(evaluate(view.webView(), "document.getElementById('mv').textContent"), "0");
  EXPECT_EQ(evaluate(view.webView(), "String(document.body.innerHTML.includes('Chess'))"), "false");

  click(window, view.header().closeButton());
  EXPECT_TRUE(pumpUntil([&] { return dismissals == 1; }));

  // The page's process ends as the cell starts to dissolve, while it still shows.
  view.cellDissolving();
  EXPECT_TRUE(pumpUntil([] {
    for (const auto& process : webKitProcesses()) {
      if (process.rfind("WebKitWebProces", 0) == 0) return false;
    }
    return true;
  }));
  dissolve();
  EXPECT_TRUE(pumpUntil([] { return webKitProcesses().empty(); }));
}

TEST_F(GameCellViewTest, DissolvingDuringThePanelLeavesNothing) {
  auto& view = open("snake");
  clock.advance(Scheduler::Duration(2000));
  view.cellDissolving();
  clock.advance(std::chrono::seconds(10));
  EXPECT_EQ(view.sequence().stepIndex(), 2);
  EXPECT_EQ(view.webView(), nullptr);
  dissolve();
  EXPECT_EQ(clock.pendingCount(), 0u);
  EXPECT_TRUE(webKitProcesses().empty());
}

}  // namespace
}  // namespace kivari
