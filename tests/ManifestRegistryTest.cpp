#include "Manifests/ManifestRegistry.h"

#include "TestSupport.h"

#include <nlohmann/json.hpp>
#include <gtest/gtest.h>

#include <algorithm>

namespace kivari {
namespace {

using testing::TempFolder;

std::string manifestJson(const std::string& id, const std::string& name = "Cell") {
  auto m = testing::sampleManifest(id);
  m.name = name;
  return m.toJson().dump(2);
}

TEST(ManifestRegistry, FolderLayoutReadsVisibleSubfoldersOnly) {
  TempFolder root;
  root.write("Expressions/calculator/manifest.json", manifestJson("calculator"));
  root.write("Expressions/.hidden/manifest.json", manifestJson("hidden"));
  root.write("Expressions/empty/index.html", "<p>no manifest</p>");
  root.write("Expressions/manifest.json", manifestJson("loose"));
  root.write("Expressions/calculator/nested/manifest.json", manifestJson("nested"));
  root.write("manifest.json", manifestJson("flat"));

  const ManifestRegistry registry(root.path());
  ASSERT_EQ(registry.manifests().size(), 1u);
  EXPECT_EQ(registry.manifests()[0].id, "calculator");
  EXPECT_EQ(registry.expressionBaseURL(registry.manifests()[0]),
            root.path() / "Expressions" / "calculator");
  EXPECT_NE(registry.manifest("calculator"), nullptr);
  EXPECT_EQ(registry.manifest("Calculator"), nullptr);
}

TEST(ManifestRegistry, AnythingNamedExpressionsChoosesTheFolderLayout) {
  TempFolder emptyFolder;
  std::filesystem::create_directories(emptyFolder.path() / "Expressions");
  emptyFolder.write("manifest.json", manifestJson("flat"));
  EXPECT_TRUE(ManifestRegistry(emptyFolder.path()).manifests().empty());

  TempFolder plainFile;
  plainFile.write("Expressions", "not a folder");
  plainFile.write("manifest.json", manifestJson("flat"));
  EXPECT_TRUE(ManifestRegistry(plainFile.path()).manifests().empty());
}

TEST(ManifestRegistry, FlatLayoutWithoutExpressions) {
  TempFolder root;
  root.write("manifest.json", manifestJson("flat"));
  const ManifestRegistry registry(root.path());
  ASSERT_EQ(registry.manifests().size(), 1u);
  EXPECT_EQ(registry.expressionBaseURL(registry.manifests()[0]), root.path());

  EXPECT_TRUE(ManifestRegistry(std::nullopt).manifests().empty());
  EXPECT_EQ(ManifestRegistry(std::nullopt).expressionBaseURL(testing::sampleManifest()),
            std::nullopt);
}

TEST(ManifestRegistry, DuplicateIdsAreKeptAndTheFirstIsFound) {
  TempFolder root;
  root.write("Expressions/a/manifest.json", manifestJson("same", "A"));
  root.write("Expressions/b/manifest.json", manifestJson("same", "B"));
  const ManifestRegistry registry(root.path());
  ASSERT_EQ(registry.manifests().size(), 2u);
  EXPECT_EQ(registry.manifest("same")->name, registry.manifests()[0].name);
}

TEST(ManifestRegistry, FilesAreFoundByIdNotByTheFolderReadFrom) {
  TempFolder root;
  root.write("Expressions/folder-name/manifest.json", manifestJson("other-id"));
  const ManifestRegistry registry(root.path());
  ASSERT_EQ(registry.manifests().size(), 1u);
  EXPECT_EQ(registry.expressionBaseURL(registry.manifests()[0]), root.path());
}

TEST(ManifestRegistry, SkipsWhatDoesNotDecodeAndUnsafeIds) {
  TempFolder root;
  root.write("Expressions/good/manifest.json", manifestJson("good"));
  root.write("Expressions/truncated/manifest.json", manifestJson("truncated").substr(0, 40));
  root.write("Expressions/binary/manifest.json", std::string("\x00\xff\xfe{", 4));
  root.write("Expressions/huge/manifest.json",
             std::string(ManifestRegistry::kMaxManifestBytes + 1, ' ') + manifestJson("huge"));
  int n = 0;
  for (const char* id : {"", ".", "..", "../escape", "a/b", "a\\b"}) {
    root.write("Expressions/unsafe" + std::to_string(n++) + "/manifest.json", manifestJson(id));
  }
  auto withNul = testing::sampleManifest("nul");
  withNul.id = std::string("a\0b", 3);
  root.write("Expressions/nul/manifest.json", withNul.toJson().dump());

  const ManifestRegistry registry(root.path());
  ASSERT_EQ(registry.manifests().size(), 1u);
  EXPECT_EQ(registry.manifests()[0].id, "good");

  // A manifest that was never loaded still cannot lead outside Expressions.
  auto escaping = testing::sampleManifest("..");
  EXPECT_EQ(registry.expressionBaseURL(escaping), root.path());
}

TEST(ManifestRegistry, UnreadableFilesAreSkippedAndNothingPastTheLimitIsKept) {
  TempFolder root;
  root.write("Expressions/good/manifest.json", manifestJson("good"));
  std::filesystem::create_directories(root.path() / "Expressions/failing");
  std::filesystem::create_symlink("/proc/self/mem", root.path() / "Expressions/failing/manifest.json");
  std::string edge = manifestJson("edge");
  root.write("Expressions/edge/manifest.json", edge + std::string(ManifestRegistry::kMaxManifestBytes - edge.size(), ' '));
  root.write("Expressions/over/manifest.json", edge + std::string(ManifestRegistry::kMaxManifestBytes - edge.size() + 1, ' '));

  const ManifestRegistry registry(root.path());
  std::vector<std::string> ids;
  for (const auto& m : registry.manifests()) ids.push_back(m.id);
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(ids, (std::vector<std::string>{"edge", "good"}));
}

TEST(ManifestRegistry, UnsignedManifestsLoadLikeSignedOnes) {
  TempFolder root;
  auto m = testing::sampleManifest("signed");
  m.publisher = ExpressionManifest::Publisher{"P", "not a key"};
  m.signature = "not a signature";
  root.write("Expressions/signed/manifest.json", m.toJson().dump());
  root.write("Expressions/plain/manifest.json", manifestJson("plain"));
  EXPECT_EQ(ManifestRegistry(root.path()).manifests().size(), 2u);
}

}  // namespace
}  // namespace kivari
