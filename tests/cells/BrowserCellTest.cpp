#include "Cells/BrowserExpressionView.h"

#include "../TestSupport.h"
#include "WebTestSupport.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

namespace kivari {
namespace {

using namespace testing;

class BrowserCellTest : public CellWindowTest<BrowserExpressionView> {
 protected:
  BrowserCellTest() : CellWindowTest(1024, 700) {}

  BrowserExpressionView& open(const std::string& address) {
    return build(*Url::parse(address), [this] { ++dismissals; });
  }

  // Waits for the next finished load and lets the cell see it too.
  bool nextLoad() {
    const bool done = loads->waitPast(loads->finished);
    pump(20);
    return done;
  }

  std::string field() const { return cell->addressField().get_text(); }

  LoopbackSite site;
  int dismissals = 0;
};

TEST_F(BrowserCellTest, FieldAndArrowsFollowFinishedNavigations) {
  auto& view = open(site.url("/a"));
  // At once: the starting address, both arrows off, the field left unfocused.
  EXPECT_EQ(field(), site.url("/a"));
  EXPECT_FALSE(view.backButton().get_sensitive());
  EXPECT_FALSE(view.forwardButton().get_sensitive());
  EXPECT_EQ(view.addressField().get_placeholder_text(), "URL");
  EXPECT_EQ(view.closeButton().get_tooltip_text(), "Dissolve (Esc)");
  EXPECT_FALSE(holdsFocus(window, view.addressField()));

  ASSERT_TRUE(nextLoad());
  EXPECT_EQ(field(), site.url("/a"));
  EXPECT_FALSE(view.backButton().get_sensitive());

  // A link followed inside the page replaces text still being typed.
  view.addressField().set_text("half typ");
  evaluate(view.webView(), "document.getElementById('next').click()");
  ASSERT_TRUE(nextLoad());
  EXPECT_EQ(field(), site.url("/b"));
  EXPECT_TRUE(view.backButton().get_sensitive());
  EXPECT_FALSE(view.forwardButton().get_sensitive());

  click(window, view.backButton());
  ASSERT_TRUE(nextLoad());
  EXPECT_EQ(field(), site.url("/a"));
  EXPECT_FALSE(view.backButton().get_sensitive());
  EXPECT_TRUE(view.forwardButton().get_sensitive());

  click(window, view.forwardButton());
  ASSERT_TRUE(nextLoad());
  EXPECT_EQ(field(), site.url("/b"));
  EXPECT_TRUE(view.backButton().get_sensitive());
  EXPECT_FALSE(view.forwardButton().get_sensitive());

  click(window, view.closeButton());
  EXPECT_TRUE(pumpUntil([&] { return dismissals == 1; }));
}

TEST_F(BrowserCellTest, ReturnLoadsOnlyAddressesAndFailuresChangeNothing) {
  auto& view = open(site.url("/a"));
  ASSERT_TRUE(nextLoad());

  // Typed for real: text that is no address loads nothing and stays as typed.
  const auto requestsBefore = site.requestCount();
  enterWindow(window);
  click(window, view.addressField());
  ASSERT_TRUE(pumpUntil([&] { return holdsFocus(window, view.addressField()); }));
  xdotool({"key", "ctrl+a"});
  xdotool({"type", "--delay", "10", "not an address"});
  xdotool({"key", "Return"});
  ASSERT_TRUE(pumpUntil([&] { return field() == "not an address"; }));
  for (const char* text : {"hello", "a.b", "a b.com"}) {
    view.addressField().set_text(text);
    pressReturn(view.addressField());
  }
  pump(400);
  EXPECT_EQ(site.requestCount(), requestsBefore);
  EXPECT_EQ(loads->finished, 1);
  EXPECT_EQ(field(), "a b.com");

  // A load that fails keeps the typed text and the arrows.
  std::string unreachable;
  {
    LoopbackSite gone;  // its port refuses once it has stopped
    unreachable = gone.url("/gone");
  }
  view.addressField().set_text(unreachable);
  pressReturn(view.addressField());
  ASSERT_TRUE(nextLoad());
  EXPECT_EQ(loads->failed, 1);
  EXPECT_EQ(field(), unreachable);
  EXPECT_FALSE(view.backButton().get_sensitive());

  // The field shows where the view ended up, not what was typed.
  view.addressField().set_text(" " + site.url("/redirect") + " ");
  pressReturn(view.addressField());
  ASSERT_TRUE(nextLoad());
  EXPECT_EQ(field(), site.url("/a"));
  EXPECT_TRUE(view.backButton().get_sensitive());
}

TEST_F(BrowserCellTest, NothingOfTheBrowsingOutlivesTheCell) {
  auto& first = open(site.url("/remember"));
  ASSERT_TRUE(nextLoad());
  ASSERT_TRUE(pumpUntil([&] { return evaluate(first.webView(), "document.title") == "stored"; }));
  ASSERT_NE(evaluate(first.webView(), "document.cookie"), "");

  auto& second = open(site.url("/recall"));
  ASSERT_TRUE(nextLoad());
  const auto requests = site.requests();
  ASSERT_EQ(requests.back().path, "/recall");
  EXPECT_EQ(requests.back().cookie, "");
  EXPECT_EQ(evaluate(second.webView(), "document.cookie"), "");
  EXPECT_EQ(evaluate(second.webView(), "String(localStorage.getItem('kept'))"), "null");
  EXPECT_EQ(evaluate(second.webView(), "String(sessionStorage.getItem('kept'))"), "null");
  evaluate(second.webView(),
           "indexedDB.databases().then(d => { document.title = 'dbs:' + d.length; })");
  EXPECT_TRUE(pumpUntil([&] { return evaluate(second.webView(), "document.title") == "dbs:0"; }));

  dissolve();
  EXPECT_TRUE(pumpUntil([] { return webKitProcesses().empty(); }));
  EXPECT_EQ(everythingUnder(testHome()), std::vector<std::string>{});
}

TEST_F(BrowserCellTest, PagesCannotWriteToTheDisk) {
  auto& view = open(site.url("/a"));
  ASSERT_TRUE(nextLoad());

  view.addressField().set_text(site.url("/attachment"));
  pressReturn(view.addressField());
  ASSERT_TRUE(nextLoad());  // the navigation turns into a download and ends
  EXPECT_EQ(loads->failed, 1);
  EXPECT_EQ(field(), site.url("/attachment"));  // no finished page: the field keeps the text
  EXPECT_EQ(evaluate(view.webView(), "document.title"), "A");

  evaluate(view.webView(), "location.href = '/offer'");
  ASSERT_TRUE(nextLoad());
  evaluate(view.webView(), "document.getElementById('save').click()");
  ASSERT_TRUE(pumpUntil([&] { return site.requests().back().path == "/file.bin"; }));
  pump(500);

  // Printing could write a file too: no print dialog opens. One that did
  // would hold the page, so it is closed again to let the test go on.
  bool dialogOpened = false;
  auto closer = Glib::signal_timeout().connect(
      [&] {
        std::vector<GtkWindow*> others;
        GListModel* windows = gtk_window_get_toplevels();
        for (guint i = 0; i < g_list_model_get_n_items(windows); ++i) {
          auto* other = GTK_WINDOW(g_list_model_get_item(windows, i));
          if (other != window.gobj()) others.push_back(other);
          g_object_unref(other);
        }
        for (auto* other : others) gtk_window_close(other);
        dialogOpened = dialogOpened || !others.empty();
        return true;
      },
      300);
  evaluate(view.webView(), "window.print()");
  pump(600);
  closer.disconnect();
  EXPECT_FALSE(dialogOpened);

  std::vector<std::string> paths;
  for (const auto& r : site.requests()) paths.push_back(r.path);
  EXPECT_NE(std::find(paths.begin(), paths.end(), "/attachment"), paths.end());
  dissolve();
  EXPECT_EQ(everythingUnder(testHome()), std::vector<std::string>{});
}

// Twenty cells leave no process behind, and nothing in the runtime folder
// (the home and temporary folders are checked once all tests have run).
TEST_F(BrowserCellTest, TwentyCellsLeaveNothingBehind) {
  const std::filesystem::path sandboxes = std::filesystem::path(g_get_user_runtime_dir()) / ".flatpak";
  for (int round = 0; round < 20; ++round) {
    auto& view = open(site.url("/a"));
    ASSERT_TRUE(nextLoad());
    if (round % 5 == 0) {  // another site runs in a process of its own
      view.addressField().set_text(site.url("/b", "localhost"));
      pressReturn(view.addressField());
      ASSERT_TRUE(nextLoad());
    }
    dissolve();
    ASSERT_TRUE(pumpUntil([] { return webKitProcesses().empty(); }, 1000))
        << round << ::testing::PrintToString(webKitProcesses());
  }
  EXPECT_TRUE(pumpUntil([&] { return everythingUnder(sandboxes).empty(); }, 1000))
      << ::testing::PrintToString(everythingUnder(sandboxes));
}

// Whatever the page is doing when its cell dissolves, no request of it
// reaches a server afterwards, and a second later none of its processes is left.
TEST_F(BrowserCellTest, DissolvingEndsThePageWhateverItDoes) {
  using namespace std::chrono;
  for (const std::string page : {"/worker", "/shared", "/alerts", "/busy"}) {
    SCOPED_TRACE(page);
    open(site.url(page));
    ASSERT_TRUE(pumpUntil([&] { return site.requestCount(page + "-tick") > 0; }));
    pump(500);  // workers, where the page may have them, are running by now
    const auto secondLater = steady_clock::now() + seconds(1);
    cell->cellDissolving();
    pump(50);  // what was already on its way
    const auto requests = site.requestCount();
    dissolve(500);  // the view stays through the fade-out
    const auto left = duration_cast<milliseconds>(secondLater - steady_clock::now());
    EXPECT_TRUE(pumpUntil([] { return webKitProcesses().empty(); }, static_cast<int>(left.count())))
        << ::testing::PrintToString(webKitProcesses());
    pump(1000);
    EXPECT_EQ(site.requestCount(), requests);
  }
}

// An upload works, and the toolkit's note of the chosen file stays out of
// the home folder: it goes into the run's data home.
TEST_F(BrowserCellTest, AnUploadSendsTheFileAndNotesNothingInTheHome) {
  TempFolder files;
  files.write("upload.txt", "sent");
  auto& view = open(site.url("/upload"));
  ASSERT_TRUE(nextLoad());
  evaluate(view.webView(), "document.getElementById('file').click(); 'clicked'");
  GtkWidget* chooser = nullptr;
  ASSERT_TRUE(pumpUntil([&] { return (chooser = shownFileChooser()) != nullptr; }));
  GFile* file = g_file_new_for_path((files.path() / "upload.txt").c_str());
  gtk_file_chooser_set_file(GTK_FILE_CHOOSER(chooser), file, nullptr);
  g_object_unref(file);
  ASSERT_TRUE(pumpUntil([&] {
    GFile* chosen = gtk_file_chooser_get_file(GTK_FILE_CHOOSER(chooser));
    if (chosen != nullptr) g_object_unref(chosen);
    return chosen != nullptr;
  }));
  gtk_dialog_response(GTK_DIALOG(chooser), GTK_RESPONSE_ACCEPT);
  ASSERT_TRUE(pumpUntil([&] {
    const char* title = webkit_web_view_get_title(view.webView());
    return title != nullptr && std::string(title) == "sent";
  }));
  pump(300);
  // The chooser's own: the folder its bookmarks would be kept in, made empty.
  EXPECT_EQ(everythingUnder(testHome()), (std::vector<std::string>{".config", ".config/gtk-4.0"}));
  std::filesystem::remove_all(testHome() / ".config");
  // The run keeps the note only while the cell lives.
  const auto recent = [] {
    std::ifstream in(std::filesystem::path(g_get_user_data_dir()) / "recently-used.xbel");
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  EXPECT_NE(recent().find("upload.txt"), std::string::npos);
  view.cellDissolving();
  EXPECT_TRUE(pumpUntil([&] { return recent().find("upload.txt") == std::string::npos; }));
}

}  // namespace
}  // namespace kivari
