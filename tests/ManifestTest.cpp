#include "Manifests/ExpressionManifest.h"

#include <nlohmann/json.hpp>
#include <gtest/gtest.h>

namespace kivari {
namespace {

const char* kMinimal = R"({
  "id": "calculator", "name": "Calculator", "description": "Quick arithmetic",
  "version": "1.0.0", "surface": {"kind": "web", "entrypoint": "index.html"},
  "keywords": ["calc", "math"],
  "capabilities": [{"name": "Compute", "justification": "Local"}]
})";

std::string withChange(const std::string& key, const nlohmann::json& value) {
  auto document = nlohmann::json::parse(kMinimal);
  if (value.is_discarded()) {
    document.erase(key);
  } else {
    document[key] = value;
  }
  return document.dump();
}

const nlohmann::json kRemove = nlohmann::json(nlohmann::json::value_t::discarded);

TEST(ExpressionManifest, DecodesEveryField) {
  const auto m = ExpressionManifest::decode(kMinimal);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->id, "calculator");
  EXPECT_EQ(m->surface.entrypoint, "index.html");
  EXPECT_EQ(m->keywords, (std::vector<std::string>{"calc", "math"}));
  ASSERT_EQ(m->capabilities.size(), 1u);
  EXPECT_EQ(m->capabilities[0].justification, "Local");
  EXPECT_FALSE(m->publisher);
  EXPECT_FALSE(m->signature);
}

TEST(ExpressionManifest, OptionalKeysMayBeMissingOrNull) {
  const auto m = ExpressionManifest::decode(
      withChange("publisher", nullptr).insert(1, R"("signature": null,)"));
  ASSERT_TRUE(m);
  EXPECT_FALSE(m->publisher);
  EXPECT_FALSE(m->signature);

  const auto json = m->toJson();
  EXPECT_FALSE(json.contains("publisher"));
  EXPECT_FALSE(json.contains("signature"));
}

TEST(ExpressionManifest, RejectsMissingOrWrongTypedKeys) {
  const std::pair<const char*, nlohmann::json> cases[] = {
      {"id", kRemove},
      {"keywords", kRemove},
      {"capabilities", kRemove},
      {"version", 1},
      {"name", nullptr},
      {"keywords", {"a", 1}},
      {"surface", {{"entrypoint", "index.html"}}},
      {"capabilities", {{{"name", "x"}}}},
      {"publisher", {{"name", "x"}}},
      {"publisher", "Kivari"},
      {"signature", 42},
  };
  for (const auto& [key, value] : cases) {
    SCOPED_TRACE(std::string(key) + " = " + value.dump());
    EXPECT_FALSE(ExpressionManifest::decode(withChange(key, value)));
  }
  EXPECT_FALSE(ExpressionManifest::decode("[]"));
  EXPECT_FALSE(ExpressionManifest::decode("\"text\""));
  EXPECT_FALSE(ExpressionManifest::decode(""));
}

TEST(ExpressionManifest, EmptyListsAreAccepted) {
  auto document = nlohmann::json::parse(kMinimal);
  document["keywords"] = nlohmann::json::array();
  document["capabilities"] = nlohmann::json::array();
  const auto m = ExpressionManifest::decode(document.dump());
  ASSERT_TRUE(m);
  EXPECT_TRUE(m->keywords.empty());
  EXPECT_EQ(m->toJson()["keywords"], nlohmann::json::array());
}

TEST(ExpressionManifest, UnknownKeysAreDroppedAtEveryLevel) {
  auto document = nlohmann::json::parse(kMinimal);
  document["comment"] = "ignored";
  document["surface"]["extra"] = true;
  const auto m = ExpressionManifest::decode(document.dump());
  ASSERT_TRUE(m);
  const auto json = m->toJson();
  EXPECT_FALSE(json.contains("comment"));
  EXPECT_FALSE(json["surface"].contains("extra"));
  EXPECT_EQ(*m, *ExpressionManifest::decode(kMinimal));
}

TEST(ExpressionManifest, KeywordOrderMatters) {
  auto reordered = nlohmann::json::parse(kMinimal);
  reordered["keywords"] = {"math", "calc"};
  EXPECT_NE(*ExpressionManifest::decode(kMinimal), *ExpressionManifest::decode(reordered.dump()));
}

TEST(ExpressionManifest, RoundTripsThroughJson) {
  auto m = *ExpressionManifest::decode(kMinimal);
  m.publisher = ExpressionManifest::Publisher{"Kivari", "key"};
  m.signature = "sig";
  EXPECT_EQ(ExpressionManifest::fromJson(m.toJson()), m);
}

}  // namespace
}  // namespace kivari
