#include "Manifests/ExpressionManifest.h"
#include "Manifests/ManifestSigner.h"

#include "TestSupport.h"

#include <nlohmann/json.hpp>
#include <gtest/gtest.h>

#include <random>

namespace kivari {
namespace {

std::string randomBytes(std::mt19937& rng, std::size_t size) {
  std::uniform_int_distribution<int> byte(0, 255);
  std::string out(size, '\0');
  for (auto& c : out) c = static_cast<char>(byte(rng));
  return out;
}

// Random bytes, and random damage to a real signed manifest, must only ever
// give "no manifest" or "unverified".
TEST(BadInput, RandomBytesNeverCrashTheDecoderOrVerifier) {
  std::mt19937 rng(20261207);
  const auto keys = ManifestSigner::generateKeyPair();
  auto good = testing::sampleManifest();
  good.publisher = ExpressionManifest::Publisher{"Kivari", keys.publicKeyBase64};
  good.signature = ManifestSigner::sign(good, keys.privateKey);
  const std::string goodText = good.toJson().dump();

  int decoded = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    if (round % 2 == 0) {
      text = randomBytes(rng, static_cast<std::size_t>(rng() % 400));
    } else {
      text = goodText;
      const int flips = 1 + static_cast<int>(rng() % 4);
      for (int i = 0; i < flips; ++i) {
        text[rng() % text.size()] = static_cast<char>(rng() % 256);
      }
      if (rng() % 3 == 0) text.resize(rng() % text.size());
    }
    if (const auto m = ExpressionManifest::decode(text)) {
      ++decoded;
      if (ManifestSigner::verify(*m)) {
        EXPECT_EQ(*m, good);
      }
    }
  }
  EXPECT_GT(decoded, 0);  // some damage leaves a decodable manifest
}

TEST(BadInput, DeepAndLargeDocuments) {
  EXPECT_FALSE(ExpressionManifest::decode(std::string(200000, '[') + std::string(200000, ']')));
  EXPECT_FALSE(ExpressionManifest::decode(std::string(200000, '{')));

  auto m = testing::sampleManifest();
  m.keywords.assign(100000, "calc");
  m.description = std::string(3 << 20, 'x');
  const auto decoded = ExpressionManifest::decode(m.toJson().dump());
  ASSERT_TRUE(decoded);
  EXPECT_FALSE(ManifestSigner::verify(*decoded));
}

TEST(BadInput, WrongLengthKeysAndSignatures) {
  std::mt19937 rng(7);
  auto m = testing::sampleManifest();
  for (std::size_t keyLength : {0u, 1u, 31u, 32u, 33u, 64u}) {
    for (std::size_t sigLength : {0u, 63u, 64u, 65u, 128u}) {
      const auto key = randomBytes(rng, keyLength);
      const auto sig = randomBytes(rng, sigLength);
      m.publisher = ExpressionManifest::Publisher{
          "P", ManifestSigner::encodeBase64(reinterpret_cast<const unsigned char*>(key.data()),
                                            key.size())};
      m.signature = ManifestSigner::encodeBase64(
          reinterpret_cast<const unsigned char*>(sig.data()), sig.size());
      EXPECT_FALSE(ManifestSigner::verify(m));
    }
  }
}

}  // namespace
}  // namespace kivari
