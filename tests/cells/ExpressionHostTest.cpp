#include "Cells/ExpressionHostView.h"

#include "../TestSupport.h"
#include "WebTestSupport.h"

#include <memory>

namespace kivari {
namespace {

using namespace testing;
namespace fs = std::filesystem;

class ExpressionHostTest : public CellWindowTest<ExpressionHostView> {
 protected:
  ExpressionHostTest() : CellWindowTest(800, 600) {}

  ExpressionHostView& open(const ExpressionManifest& manifest, const ManifestRegistry& registry) {
    return build(manifest, registry);
  }

  // A blank, see-through cell: nothing asked of the view at all.
  void expectBlank(const ExpressionHostView& view) {
    pump(300);
    EXPECT_EQ(webkit_web_view_get_uri(view.webView()), nullptr);
    EXPECT_EQ(loads->finished, 0);
    GdkRGBA color;
    webkit_web_view_get_background_color(view.webView(), &color);
    EXPECT_EQ(color.alpha, 0.0);
  }
};

TEST_F(ExpressionHostTest, ShowsTheShippedCalculatorOnItsOwnBackground) {
  const ManifestRegistry registry(fs::path(KIVARI_SOURCE_DIR) / "resources");
  const ExpressionManifest* calculator = registry.manifest("calculator");
  ASSERT_NE(calculator, nullptr);
  auto& view = open(*calculator, registry);
  ASSERT_TRUE(loads->waitPast(0));
  EXPECT_EQ(loads->failed, 0);
  EXPECT_STREQ(webkit_web_view_get_uri(view.webView()), "kivari-cell://calculator/index.html");
  EXPECT_EQ(evaluate(view.webView(), "document.title"), "Calculator");
  EXPECT_EQ(evaluate(view.webView(), "String(document.getElementById('main') !== null)"), "true");
  GdkRGBA color;
  webkit_web_view_get_background_color(view.webView(), &color);
  EXPECT_EQ(color.alpha, 0.0);

  dissolve();
  EXPECT_TRUE(pumpUntil([] { return webKitProcesses().empty(); }));
}

// res/Expressions/cell is the cell; secret.js files lie above, beside and
// behind a link. Each sets window.leaked when a page manages to run it.
class ConfinedHostTest : public ExpressionHostTest {
 protected:
  void SetUp() override {
    ExpressionHostTest::SetUp();
    const std::string secret = "window.leaked = (window.leaked || '') + 'x';";
    tmp.write("secret.js", secret);
    tmp.write("secret.html", "<title>secret</title>");
    tmp.write("outside/secret.js", secret);
    tmp.write("res/Expressions/secret.js", secret);
    tmp.write("res/Expressions/secret.html", "<title>secret</title>");
    tmp.write("res/root.html", "<title>root</title><script src='Expressions/secret.js'></script>");
    tmp.write("res/Expressions/cell/sub/own.js", "window.own = 'yes';");
    tmp.write("res/Expressions/cell/index.html",
              "<title>cell</title>"
              "<script src='sub/own.js'></script>"
              "<script src='../secret.js'></script>"
              "<script src='../../secret.js'></script>"
              "<script src='%2e%2e/secret.js'></script>"
              "<script src='out/secret.js'></script>"
              "<script src='file://" + (tmp.path() / "secret.js").string() + "'></script>"
              "<script src='kivari-cell://other/secret.js'></script>");
    fs::create_symlink(tmp.path() / "outside", cell() / "out");
    fs::create_symlink(tmp.path() / "secret.html", cell() / "link.html");
  }

  fs::path cell() const { return tmp.path() / "res" / "Expressions" / "cell"; }

  ExpressionManifest manifest(const std::string& entry) const {
    auto m = sampleManifest("cell");
    m.surface.entrypoint = entry;
    return m;
  }

  TempFolder tmp;
};

TEST_F(ConfinedHostTest, PagesReadTheirOwnFolderAndNothingElse) {
  const ManifestRegistry registry(tmp.path() / "res");
  auto& view = open(manifest("index.html"), registry);
  ASSERT_TRUE(loads->waitPast(0));
  EXPECT_EQ(evaluate(view.webView(), "document.title"), "cell");
  EXPECT_EQ(evaluate(view.webView(), "String(window.own)"), "yes");
  EXPECT_EQ(evaluate(view.webView(), "String(window.leaked)"), "undefined");
  // Nor can the page go to the disk itself.
  evaluate(view.webView(), "location.href = 'file://" + (tmp.path() / "secret.html").string() + "'");
  pump(500);
  EXPECT_EQ(evaluate(view.webView(), "document.title"), "cell");
}

TEST_F(ConfinedHostTest, RefusedOrMissingEntriesLeaveABlankSeeThroughCell) {
  const ManifestRegistry registry(tmp.path() / "res");
  for (const char* entry : {"../secret.html", "link.html", "/etc/hostname", "missing.html"}) {
    SCOPED_TRACE(entry);
    expectBlank(open(manifest(entry), registry));
  }
  // Nothing for the page to read in a folder named as the entry.
  auto& folder = open(manifest("sub"), registry);
  ASSERT_TRUE(loads->waitPast(0));
  EXPECT_EQ(evaluate(folder.webView(), "document.body ? document.body.innerHTML : ''"), "");
}

TEST_F(ConfinedHostTest, EntryMissingInTheFolderComesFromTheResourceRoot) {
  const ManifestRegistry registry(tmp.path() / "res");
  auto& view = open(manifest("root.html"), registry);
  ASSERT_TRUE(loads->waitPast(0));
  EXPECT_EQ(evaluate(view.webView(), "document.title"), "root");
  // It reads that file alone, nothing else of the resource root.
  EXPECT_EQ(evaluate(view.webView(), "String(window.leaked)"), "undefined");
}

}  // namespace
}  // namespace kivari
