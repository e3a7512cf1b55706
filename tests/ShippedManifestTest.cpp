#include "Manifests/ExpressionManifest.h"
#include "Manifests/ManifestRegistry.h"
#include "Manifests/ManifestSigner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace kivari {
namespace {

namespace fs = std::filesystem;

const fs::path kResources = fs::path(KIVARI_SOURCE_DIR) / "resources";

std::string readFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class ShippedManifest : public ::testing::Test {
 protected:
  void SetUp() override {
    calculator = registry.manifest("calculator");
    ASSERT_NE(calculator, nullptr) << "no calculator under " << kResources;
  }
  ManifestRegistry registry{kResources};
  const ExpressionManifest* calculator = nullptr;
};

TEST_F(ShippedManifest, CalculatorLoadsFromItsOwnFolder) {
  EXPECT_EQ(calculator->name, "Calculator");
  EXPECT_FALSE(calculator->description.empty());
  EXPECT_EQ(calculator->surface.kind, "web");
  ASSERT_TRUE(calculator->publisher.has_value());
  EXPECT_EQ(calculator->publisher->name, "Kivari");

  // The folder is named after the id, so the web host finds the files there.
  const auto base = registry.expressionBaseURL(*calculator);
  ASSERT_TRUE(base.has_value());
  EXPECT_EQ(*base, kResources / "Expressions" / "calculator");
  EXPECT_EQ(ExpressionManifest::decode(readFile(*base / "manifest.json")), *calculator);
}

TEST_F(ShippedManifest, SignatureVerifiesAndCoversEveryField) {
  EXPECT_TRUE(ManifestSigner::verify(*calculator));

  auto version = *calculator;
  version.version += ".1";
  EXPECT_FALSE(ManifestSigner::verify(version));

  auto publisher = *calculator;
  publisher.publisher->name = "Someone else";
  EXPECT_FALSE(ManifestSigner::verify(publisher));

  auto capability = *calculator;
  capability.capabilities.push_back({"Network", "Fetch exchange rates"});
  EXPECT_FALSE(ManifestSigner::verify(capability));
}

TEST_F(ShippedManifest, EntryPageLiesInsideTheFolderAndStaysOffline) {
  const fs::path folder = fs::weakly_canonical(*registry.expressionBaseURL(*calculator));
  const fs::path entry = fs::weakly_canonical(folder / calculator->surface.entrypoint);
  EXPECT_EQ(entry.parent_path(), folder);
  ASSERT_TRUE(fs::is_regular_file(entry)) << entry;

  // Inline only: nothing to fetch and no text turned into code.
  const std::string page = readFile(entry);
  for (const char* forbidden : {"://", "src=", "href=", "@import", "eval(", "Function("}) {
    EXPECT_EQ(page.find(forbidden), std::string::npos) << forbidden;
  }
}

}  // namespace
}  // namespace kivari
