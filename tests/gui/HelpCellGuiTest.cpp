#include "Core/AppState.h"
#include "Help/HelpCellView.h"
#include "Shell/ContentView.h"
#include "Ui/Style.h"

#include "DesktopHarness.h"
#include "MainLoop.h"

#include <gtest/gtest.h>
#include <gtkmm.h>

#include <algorithm>
#include <memory>

namespace kivari {
namespace {

using testing::pump;
using testing::pumpUntil;
using testing::findIn;
using testing::xdotool;

// The desktop with the real request rules, on the scheduler a test picks.
class HelpCellGuiTest : public ::testing::Test, protected testing::DesktopHarness {
 protected:
  void open(Scheduler& scheduler) { ASSERT_TRUE(openDesktop(scheduler)); }
  void TearDown() override { closeDesktop(); }

  HelpCellView* helpCell() { return findIn<HelpCellView>(content->cellLayer()); }

  // The desktop holds steps on both until TearDown closes it.
  MainLoopScheduler live;
  ManualScheduler manual;
};

TEST_F(HelpCellGuiTest, TypedQuestionShowsItsAnswerAndAChipGoesDownTheRoad) {
  open(live);
  takeKeyboard();
  auto& field = content->promptDesktop().promptField();
  ASSERT_TRUE(pumpUntil([&] { return window->get_focus() != nullptr && window->get_focus()->is_ancestor(field); },
                        3000));
  xdotool({"type", "--delay", "15", "how does this work?"});
  ASSERT_TRUE(pumpUntil([&] { return state->intentText() == "how does this work?"; }, 3000));
  xdotool({"key", "Return"});
  ASSERT_TRUE(pumpUntil([&] { return helpCell() != nullptr; }, 3000));
  HelpCellView& cell = *helpCell();
  const auto response = helpResponseFor("how does this work?");

  // The answer first, then every chip, each a button named by its text.
  ASSERT_TRUE(pumpUntil([&] { return cell.answerRow().get_visible(); }, 3000));
  EXPECT_LT(cell.chips().size(), response.examples.size());
  ASSERT_TRUE(pumpUntil([&] { return cell.chips().size() == response.examples.size(); }, 3000));
  // Each chip springs in from nothing; while it scales GTK reports no place for it.
  ASSERT_TRUE(pumpUntil([&] {
    return std::all_of(cell.chips().begin(), cell.chips().end(),
                       [](Gtk::Button* c) { return c->get_allocation().get_x() >= 0; });
  }, 3000));
  for (std::size_t i = 0; i < cell.chips().size(); ++i) {
    char* wrong = gtk_test_accessible_check_property(GTK_ACCESSIBLE(cell.chips()[i]->gobj()),
                                                     GTK_ACCESSIBLE_PROPERTY_LABEL, response.examples[i].c_str());
    EXPECT_EQ(wrong, nullptr) << wrong;
    g_free(wrong);
  }
  // Eight chips do not fit one row here: they wrap, each row starting at the leading edge.
  std::vector<int> rowStarts;
  for (auto* chip : cell.chips()) {
    const int x = chip->get_allocation().get_x();
    const int y = chip->get_allocation().get_y();
    if (y > 0 && std::find(rowStarts.begin(), rowStarts.end(), static_cast<int>(y)) == rowStarts.end()) {
      EXPECT_EQ(x, 0) << chip->get_label();
      rowStarts.push_back(static_cast<int>(y));
    }
  }
  EXPECT_FALSE(rowStarts.empty());

  // A chip: the help cell dissolves at once, its example follows a moment later.
  const auto chip = std::find_if(cell.chips().begin(), cell.chips().end(),
                                 [](Gtk::Button* b) { return b->get_label() == "make a spreadsheet"; });
  ASSERT_NE(chip, cell.chips().end());
  g_signal_emit_by_name((*chip)->gobj(), "clicked");
  EXPECT_EQ(state->mode(), AppMode::prompt());
  EXPECT_EQ(state->statusMessages().back().text, "No trace left \u00b7 Local Knowledge session ended");
  ASSERT_TRUE(pumpUntil([&] { return state->mode() == AppMode::dnaPicker(ProductivityCategory::spreadsheet); },
                        3000));
  const auto& lines = state->statusMessages();
  EXPECT_EQ(lines[lines.size() - 2].text, "make a spreadsheet");
  EXPECT_EQ(lines[lines.size() - 2].type, StatusMessage::MessageType::user);
}

TEST_F(HelpCellGuiTest, ADissolvedHelpCellRevealsNothingMore) {
  open(manual);
  state->setIntentText("help");
  state->submit();
  ASSERT_TRUE(pumpUntil([&] { return helpCell() != nullptr && helpCell()->get_mapped(); }, 3000));
  HelpCellView* cell = helpCell();
  manual.advance(std::chrono::milliseconds(200));
  state->dissolve();
  // The cell is still fading out: long enough for its answer and a chip.
  manual.advance(std::chrono::milliseconds(250));
  pump(20);
  EXPECT_FALSE(cell->reveal().showAnswer());
  EXPECT_FALSE(cell->answerRow().get_visible());
  EXPECT_TRUE(cell->chips().empty());
  // Then it is gone, and none of its steps is left to touch it.
  manual.advance(std::chrono::milliseconds(3000));
  pump(20);
  EXPECT_EQ(content->cellLayer(), nullptr);
}

}  // namespace
}  // namespace kivari
