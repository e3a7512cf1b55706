#include "Cells/GameCellView.h"

#include "WebTestSupport.h"

#include <memory>

namespace kivari {
namespace {

using namespace testing;
using ms = Scheduler::Duration;

class GameCellViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window.set_default_size(900, 760);
    window.set_child(frame);
    window.present();
    ASSERT_TRUE(pumpUntil([&] { return window.get_mapped(); }));
  }
  void TearDown() override { dissolve(); }

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

  ManualScheduler clock;
  Gtk::Window window;
  Gtk::Box frame{Gtk::Orientation::VERTICAL};
  std::unique_ptr<GameCellView> cell;
  int dismissals = 0;
};

TEST_F(GameCellViewTest, ANewGameFadesInAt4100MsAndItsProcessEndsAsTheCellDissolves) {
  // Markup in a name stays plain text.
  const std::string name = "<b>Chess</b> & _x";
  auto& view = open(name);
  std::vector<std::string> header;
  for (auto* w = view.header().get_first_child(); w != nullptr; w = w->get_next_sibling()) {
    if (auto* label = dynamic_cast<Gtk::Label*>(w)) header.push_back(label->get_text());
  }
  EXPECT_EQ(header, (std::vector<std::string>{name, dnaBackbone(name) + " DNA"}));

  clock.advance(ms(4099));
  EXPECT_FALSE(view.isShowingPage());
  clock.advance(ms(1));
  EXPECT_TRUE(view.isShowingPage());
  ASSERT_NE(view.webView(), nullptr);
  EXPECT_TRUE(pumpUntil([&] { return evaluate(view.webView(), "document.querySelectorAll('#grid .c').length") == "49"; }));
  EXPECT_STREQ(webkit_web_view_get_uri(view.webView()), "about:blank");
  EXPECT_EQ(evaluate(view.webView(), "['sc', 'mv'].map(id => document.getElementById(id).textContent).join()"), "0,0");
  EXPECT_EQ(evaluate(view.webView(), "String(document.body.innerHTML.includes('Chess'))"), "false");
  // The game has no use for the user's files: a file input gets no chooser.
  const auto ask = askForAFile(view.webView());
  EXPECT_EQ(ask.asked, 1);
  EXPECT_FALSE(ask.shown);
  EXPECT_EQ(ask.files, "0");

  click(window, view.header().closeButton());
  EXPECT_TRUE(pumpUntil([&] { return dismissals == 1; }));

  // The page's process ends while the cell still shows, fading out.
  view.cellDissolving();
  EXPECT_TRUE(pumpUntil([] {
    const auto left = webKitProcesses();
    return std::none_of(left.begin(), left.end(), [](const auto& p) { return p.rfind("WebKitWebProces", 0) == 0; });
  }));
  dissolve();
  EXPECT_TRUE(pumpUntil([] { return webKitProcesses().empty(); }));
}

TEST_F(GameCellViewTest, DissolvingDuringThePanelLeavesNothing) {
  auto& view = open("snake");
  clock.advance(ms(2000));
  view.cellDissolving();
  clock.advance(ms(10000));
  EXPECT_EQ(view.sequence().stepIndex(), 2);
  EXPECT_FALSE(view.isShowingPage());
  dissolve();
  EXPECT_EQ(clock.pendingCount(), 0u);
  EXPECT_TRUE(pumpUntil([] { return webKitProcesses().empty(); }));
}

}  // namespace
}  // namespace kivari
