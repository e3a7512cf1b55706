#include "Intent/IntentResolver.h"

#include "TestSupport.h"

#include <nlohmann/json.hpp>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kivari {
namespace {

ExpressionManifest manifest(const std::string& id, const std::string& name,
                            std::vector<std::string> keywords) {
  auto m = testing::sampleManifest(id);
  m.name = name;
  m.keywords = std::move(keywords);
  return m;
}

TEST(IntentResolver, MatchScore) {
  struct Case {
    const char* input;
    std::vector<std::string> keywords;
    double score;
  };
  const Case cases[] = {
      {"focus please", {"focus", "timer"}, 0.5},
      {"focus timer", {"focus", "timer"}, 0.99},  // every keyword, still short of a name
      {"play a tune", {"radio", "xyz"}, 0.5},     // "a" is inside "radio"
      {"my notes", {"note"}, 0.99},               // keyword inside a word
      {"a note", {"notepad", "zz"}, 0.5},         // word inside a keyword
      {"use the pomodoro", {"pomodoro timer", "qq"}, 0.5},
      {"use the timer", {"Timer", "Timer", "qq"}, 2.0 / 3.0},  // repeats count, any case
      {"Focus", {"focus", "qq"}, 0.5},                         // words are lower-cased
      {"hello there", {"", "zz"}, 0.0},                        // an empty keyword hits nothing
      {"fo\tx", {"focus"}, 0.0},                               // only the blank splits words
      {"fo x", {"focus"}, 0.99},
      {"", {"focus"}, 0.0},
      {"   ", {"focus"}, 0.0},
      {"something else", {}, 0.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    EXPECT_DOUBLE_EQ(IntentResolver::matchScore(c.input, manifest("cell", "Cell", c.keywords)),
                     c.score);
  }
  EXPECT_EQ(IntentResolver::matchScore("cell", manifest("cell", "Other", {})), 1.0);
  EXPECT_EQ(IntentResolver::matchScore("my cell", manifest("cell", "My Cell", {})), 1.0);
  EXPECT_EQ(IntentResolver::matchScore("", manifest("cell", "", {})), 1.0);
}

// Past a handful of words the resolver looks keywords up by their pieces;
// both ways must agree.
TEST(IntentResolver, LongRequestsScoreTheSame) {
  std::string filler;
  for (int i = 0; i < 5000; ++i) filler += "w" + std::to_string(i) + " ";
  const auto m = manifest("cell", "Cell", {"timer", "xabyz", "quux", "a b"});
  EXPECT_DOUBLE_EQ(IntentResolver::matchScore(filler + "tim", m), 0.25);     // word in keyword
  EXPECT_DOUBLE_EQ(IntentResolver::matchScore(filler + "abyzx", m), 0.0);    // neither way
  EXPECT_DOUBLE_EQ(IntentResolver::matchScore(filler + "quuxes", m), 0.25);  // keyword in word
  EXPECT_DOUBLE_EQ(IntentResolver::matchScore(filler + "b", m), 0.5);
  EXPECT_DOUBLE_EQ(IntentResolver::matchScore(filler, m), 0.0);
}

class IntentResolverRegistry : public ::testing::Test {
 protected:
  const ManifestRegistry& load(const std::vector<ExpressionManifest>& manifests) {
    for (const auto& m : manifests) {
      root_.write("Expressions/" + m.id + "/manifest.json", m.toJson().dump());
    }
    registry_.emplace(root_.path());
    return *registry_;
  }

 private:
  testing::TempFolder root_;
  std::optional<ManifestRegistry> registry_;
};

TEST_F(IntentResolverRegistry, ExactNameBeatsManyKeywords) {
  const auto& registry = load({manifest("keys", "Keys", {"focus", "timer", "pomodoro"}),
                               manifest("pomo", "Pomodoro Timer", {"zz"})});
  const auto resolved = IntentResolver(registry).resolve("  POMODORO timer\n");
  ASSERT_TRUE(resolved);
  EXPECT_EQ(resolved->manifest.id, "pomo");
  EXPECT_EQ(resolved->confidence, 1.0);

  const auto byKeyword = IntentResolver(registry).resolve("focus");
  ASSERT_TRUE(byKeyword);
  EXPECT_EQ(byKeyword->manifest.id, "keys");
  EXPECT_DOUBLE_EQ(byKeyword->confidence, 1.0 / 3.0);
}

TEST_F(IntentResolverRegistry, EqualScoresKeepTheEarlierManifest) {
  const auto& registry = load(
      {manifest("first", "First", {"focus", "zz"}), manifest("second", "Second", {"focus", "yy"})});
  ASSERT_EQ(registry.manifests().size(), 2u);
  const auto resolved = IntentResolver(registry).resolve("focus");
  ASSERT_TRUE(resolved);
  // The listing order of the folder is the registry's order.
  EXPECT_EQ(resolved->manifest, registry.manifests()[0]);
  EXPECT_DOUBLE_EQ(resolved->confidence, 0.5);
}

TEST_F(IntentResolverRegistry, NothingWithoutAHit) {
  EXPECT_EQ(IntentResolver(load({})).resolve("focus"), std::nullopt);
  EXPECT_EQ(IntentResolver(ManifestRegistry(std::nullopt)).resolve("anything"), std::nullopt);
  const auto& registry = load({manifest("cell", "Cell", {"focus"})});
  EXPECT_EQ(IntentResolver(registry).resolve("zzz"), std::nullopt);
  EXPECT_EQ(IntentResolver(registry).resolve(""), std::nullopt);
  EXPECT_EQ(IntentResolver(registry).resolve(" \n "), std::nullopt);
}

}  // namespace
}  // namespace kivari
