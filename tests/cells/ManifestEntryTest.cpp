#include "Cells/ManifestEntry.h"

#include "../TestSupport.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
namespace kivari {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

// res/Expressions/cell holds the cell; secret files lie beside and above it.
class ManifestEntryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tmp.write("secret.html", "outside");
    tmp.write("res/root.html", "root");
    tmp.write("res/deep/page.html", "deep");
    tmp.write("res/Expressions/secret.html", "beside");
    tmp.write("res/Expressions/cell/index.html", "entry");
    tmp.write("res/Expressions/cell/sub/page.html", "sub");
    fs::create_symlink(tmp.path() / "secret.html", cell() / "link-out.html");
    fs::create_symlink("../secret.html", cell() / "relative-out.html");
    fs::create_symlink(tmp.path(), cell() / "dir-out");
    fs::create_symlink("index.html", cell() / "link-in.html");
    fs::create_symlink("sub", cell() / "sub-link");
    fs::create_symlink(tmp.path() / "nowhere", cell() / "dangling.html");
    fs::create_symlink(tmp.path() / "secret.html", res() / "root-out.html");
  }

  fs::path res() const { return tmp.path() / "res"; }
  fs::path cell() const { return res() / "Expressions" / "cell"; }
  fs::path canonical(const fs::path& p) const { return fs::canonical(p); }
  std::optional<CellEntry> resolve(std::string_view entry) const {
    return resolveEntrypoint(cell(), res(), entry);
  }

  TempFolder tmp;
};

TEST_F(ManifestEntryTest, EntriesInsideTheManifestFolder) {
  EXPECT_EQ(resolve("index.html"), (CellEntry{canonical(cell()), "index.html"}));
  EXPECT_EQ(resolve("./sub//page.html"), (CellEntry{canonical(cell()), "sub/page.html"}));
  // Links that stay inside are followed.
  EXPECT_EQ(resolve("link-in.html"), (CellEntry{canonical(cell()), "link-in.html"}));
  EXPECT_EQ(resolve("sub-link/page.html"), (CellEntry{canonical(cell()), "sub-link/page.html"}));
  // A folder passes; what is served from it is decided per file.
  EXPECT_EQ(resolve("sub"), (CellEntry{canonical(cell()), "sub"}));
}

TEST_F(ManifestEntryTest, EscapingEntriesAreRefusedAndNotLookedUpElsewhere) {
  for (const std::string& entry : std::vector<std::string>{
           "../secret.html", "../../secret.html", "sub/../../secret.html", "..", "/etc/passwd",
        (cell() / "index.html").string(), "link-out.html", "relative-out.html", "dir-out/secret.html",
        "dangling.html", "", ".", "./", std::string("index.html\0x", 12)}) {
    EXPECT_EQ(resolve(entry), std::nullopt) << entry;
  }
}

TEST_F(ManifestEntryTest, MissingEntryFallsBackToTheResourceRootForTheFileAlone) {
  EXPECT_EQ(resolve("root.html"), (CellEntry{canonical(res()), "root.html", false}));
  EXPECT_EQ(resolve("deep/page.html"), (CellEntry{canonical(res() / "deep"), "page.html", false}));
  EXPECT_EQ(resolve("root-out.html"), std::nullopt);
  EXPECT_EQ(resolve("missing.html"), std::nullopt);
  // No manifest folder: the root is searched directly; no root either: nothing.
  EXPECT_EQ(resolveEntrypoint(std::nullopt, res(), "root.html"), (CellEntry{canonical(res()), "root.html", false}));
  EXPECT_EQ(resolveEntrypoint(std::nullopt, std::nullopt, "root.html"), std::nullopt);
  EXPECT_EQ(resolveEntrypoint(tmp.path() / "gone", res(), "root.html"),
            (CellEntry{canonical(res()), "root.html", false}));
}

TEST_F(ManifestEntryTest, ACellFolderLeadingOutOfExpressionsIsRefused) {
  tmp.write("elsewhere/index.html", "elsewhere");
  tmp.write("res/Expressions/other/index.html", "other");
  fs::create_directory_symlink(tmp.path() / "elsewhere", res() / "Expressions" / "out");
  fs::create_directory_symlink(".", res() / "Expressions" / "all");
  fs::create_directory_symlink("other", res() / "Expressions" / "alias");
  EXPECT_EQ(resolveEntrypoint(res() / "Expressions" / "out", res(), "index.html"), std::nullopt);
  EXPECT_EQ(resolveEntrypoint(res() / "Expressions" / "all", res(), "cell/index.html"), std::nullopt);
  EXPECT_EQ(resolveEntrypoint(tmp.path() / "elsewhere", res(), "index.html"), std::nullopt);
  EXPECT_EQ(resolveEntrypoint(res(), res(), "root.html"), std::nullopt);
  // A link that stays inside Expressions is followed.
  EXPECT_EQ(resolveEntrypoint(res() / "Expressions" / "alias", res(), "index.html"),
            (CellEntry{canonical(res() / "Expressions" / "other"), "index.html"}));
}

TEST_F(ManifestEntryTest, ThroughTheRegistryInBothLayouts) {
  auto manifest = testing::sampleManifest("cell");
  tmp.write("res/Expressions/cell/manifest.json", manifest.toJson().dump());
  const ManifestRegistry folders(res());
  EXPECT_EQ(resolveEntrypoint(manifest, folders), (CellEntry{canonical(cell()), "index.html"}));
  manifest.surface.entrypoint = "../secret.html";
  EXPECT_EQ(resolveEntrypoint(manifest, folders), std::nullopt);

  // No folder of its own (its id names none): the entry file alone, at the root.
  auto homeless = testing::sampleManifest("no-such-folder");
  homeless.surface.entrypoint = "root.html";
  EXPECT_EQ(resolveEntrypoint(homeless, folders), (CellEntry{canonical(res()), "root.html", false}));

  // The flat layout: the files lie at the resource root itself.
  TempFolder flat;
  flat.write("index.html", "flat");
  manifest.surface.entrypoint = "index.html";
  EXPECT_EQ(resolveEntrypoint(manifest, ManifestRegistry(flat.path())),
            (CellEntry{canonical(flat.path()), "index.html", false}));
  EXPECT_EQ(resolveEntrypoint(manifest, ManifestRegistry(std::nullopt)), std::nullopt);
}

TEST_F(ManifestEntryTest, ServedPathsStayInsideTheFolder) {
  EXPECT_EQ(confinedPath(cell(), "sub/page.html"), canonical(cell() / "sub/page.html"));
  EXPECT_EQ(confinedPath(cell(), "link-in.html"), canonical(cell() / "index.html"));
  for (const char* path : {"link-out.html", "dir-out/secret.html", "../secret.html", "missing.js", ""}) {
    EXPECT_EQ(confinedPath(cell(), path), std::nullopt) << path;
  }
  EXPECT_EQ(confinedPath(tmp.path() / "gone", "index.html"), std::nullopt);
}

// A sibling whose name starts with the cell's own is another folder, not inside it.
TEST_F(ManifestEntryTest, ASiblingFolderNamedLikeTheCellIsOutside) {
  tmp.write("res/Expressions/cell-private/secret.html", "private");
  fs::create_directory_symlink("../cell-private", cell() / "peek");
  fs::create_symlink("../cell-private/secret.html", cell() / "secret.html");
  for (const char* path : {"peek/secret.html", "secret.html"}) {
    EXPECT_EQ(resolve(path), std::nullopt) << path;
    EXPECT_EQ(confinedPath(cell(), path), std::nullopt) << path;
  }
}

TEST(CellAddress, EscapesEachPartAndReadsBack) {
  EXPECT_EQ(cellAddress("calculator", "index.html"), "kivari-cell://calculator/index.html");
  EXPECT_EQ(cellAddress("my cell", "sub/a b#?.html"), "kivari-cell://my%20cell/sub/a%20b%23%3F.html");
  EXPECT_EQ(cellPathFromAddressPath("/sub/a%20b%23%3F.html"), "sub/a b#?.html");
  EXPECT_EQ(cellPathFromAddressPath("/%2e%2e/secret.html"), "../secret.html");  // then refused
  EXPECT_EQ(cellPathFromAddressPath("/a%2Fb"), std::nullopt);
  EXPECT_EQ(cellPathFromAddressPath("/a%00b"), std::nullopt);
  EXPECT_EQ(cellPathFromAddressPath("/a%zz"), std::nullopt);
}

// Only the cell's own scheme and the two about: pages that load nothing.
TEST(StaysInCell, TheCellsSchemeAndTwoEmptyPagesOnly) {
  for (const char* address : {"kivari-cell://calculator/index.html", "KIVARI-CELL://other/x", "about:blank",
                              "about:srcdoc"}) {
    EXPECT_TRUE(staysInCell(address)) << address;
  }
  for (const char* address : {"about:", "about:config", "about:blankx", "about:blank?x", "about:srcdoc#x",
                              "about:newtab", "kivari-cell", "kivari-cells://x/", "http://127.0.0.1/",
                              "blob:kivari-cell://calculator/1", "data:text/html,x", "javascript:0", ""}) {
    EXPECT_FALSE(staysInCell(address)) << address;
  }
}

}  // namespace
}  // namespace kivari
