#include "Manifests/ManifestSigner.h"

#include "TestSupport.h"

#include <nlohmann/json.hpp>
#include <gtest/gtest.h>

namespace kivari {
namespace {

using testing::sampleManifest;

ExpressionManifest signedManifest(const ManifestSigner::KeyPair& keys) {
  auto m = sampleManifest();
  m.surface.entrypoint = "web/index.html";
  m.publisher = ExpressionManifest::Publisher{"Kivari Labs", keys.publicKeyBase64};
  m.signature = ManifestSigner::sign(m, keys.privateKey);
  return m;
}

TEST(ManifestSigner, CanonicalFormIsCompactSortedAndUnescaped) {
  auto m = sampleManifest();
  m.surface.entrypoint = "web/index.html";
  m.description = "Größe \"quoted\"\n";
  m.publisher = ExpressionManifest::Publisher{"P", "K"};
  m.signature = "left out";
  EXPECT_EQ(ManifestSigner::canonicalData(m),
            R"({"capabilities":[{"justification":"Evaluate expressions locally","name":"Compute"}],)"
            R"("description":"Größe \"quoted\"\n","id":"calculator","keywords":["calc","math"],)"
            R"("name":"Calculator","publisher":{"name":"P","publicKey":"K"},)"
            R"("surface":{"entrypoint":"web/index.html","kind":"web"},"version":"1.0.0"})");
}

TEST(ManifestSigner, SignedManifestVerifiesAndSurvivesReformatting) {
  const auto keys = ManifestSigner::generateKeyPair();
  EXPECT_EQ(keys.publicKeyBase64.size(), 44u);
  const auto m = signedManifest(keys);
  EXPECT_EQ(m.signature->size(), 88u);
  EXPECT_TRUE(ManifestSigner::verify(m));

  // Re-indented, keys reordered and an unknown key added on disk: still verified.
  auto document = m.toJson();
  document["comment"] = "not covered";
  const auto reread = ExpressionManifest::decode(document.dump(4));
  ASSERT_TRUE(reread);
  EXPECT_TRUE(ManifestSigner::verify(*reread));
}

TEST(ManifestSigner, AnyCoveredChangeBreaksTheSignature) {
  const auto keys = ManifestSigner::generateKeyPair();
  const auto original = signedManifest(keys);
  using Mutation = void (*)(ExpressionManifest&);
  const std::pair<const char*, Mutation> mutations[] = {
      {"version", [](ExpressionManifest& m) { m.version = "1.0.1"; }},
      {"keyword order", [](ExpressionManifest& m) { std::swap(m.keywords[0], m.keywords[1]); }},
      {"publisher name", [](ExpressionManifest& m) { m.publisher->name = "Someone"; }},
      {"surface kind", [](ExpressionManifest& m) { m.surface.kind = "native"; }},
      {"entry point", [](ExpressionManifest& m) { m.surface.entrypoint = "../evil.html"; }},
      {"capability", [](ExpressionManifest& m) { m.capabilities[0].name = "Files"; }},
  };
  for (const auto& [what, mutate] : mutations) {
    SCOPED_TRACE(what);
    auto m = original;
    mutate(m);
    EXPECT_FALSE(ManifestSigner::verify(m));
  }
}

TEST(ManifestSigner, SignatureIsNotPartOfTheCanonicalForm) {
  const auto keys = ManifestSigner::generateKeyPair();
  auto m = signedManifest(keys);
  const auto first = *m.signature;
  const auto canonical = ManifestSigner::canonicalData(m);
  m.signature = ManifestSigner::sign(m, keys.privateKey);
  EXPECT_EQ(ManifestSigner::canonicalData(m), canonical);
  EXPECT_TRUE(ManifestSigner::verify(m));
  m.signature = first;
  EXPECT_TRUE(ManifestSigner::verify(m));
}

TEST(ManifestSigner, MissingOrMalformedKeysAndSignaturesAreUnverified) {
  const auto keys = ManifestSigner::generateKeyPair();
  const auto good = signedManifest(keys);
  const auto rawKey = *ManifestSigner::decodeBase64(keys.publicKeyBase64);
  const auto* keyBytes = reinterpret_cast<const unsigned char*>(rawKey.data());

  std::vector<std::pair<std::string, ExpressionManifest>> cases;
  auto add = [&](std::string what, auto mutate) {
    auto m = good;
    mutate(m);
    cases.emplace_back(std::move(what), std::move(m));
  };
  add("no publisher", [](auto& m) { m.publisher.reset(); });
  add("no signature", [](auto& m) { m.signature.reset(); });
  add("31-byte key", [&](auto& m) { m.publisher->publicKey = ManifestSigner::encodeBase64(keyBytes, 31); });
  add("33-byte key", [&](auto& m) {
    std::string longer = rawKey + "x";
    m.publisher->publicKey =
        ManifestSigner::encodeBase64(reinterpret_cast<const unsigned char*>(longer.data()), 33);
  });
  add("signature with trailing line break", [](auto& m) { *m.signature += "\n"; });
  add("signature with inner blank", [](auto& m) { m.signature->insert(10, " "); });
  add("signature not base64", [](auto& m) { m.signature = "***"; });
  add("short signature", [](auto& m) { m.signature = m.signature->substr(0, 84); });
  add("empty strings", [](auto& m) {
    m.signature = "";
    m.publisher->publicKey = "";
  });
  add("someone else's key", [](auto& m) {
    m.publisher->publicKey = ManifestSigner::generateKeyPair().publicKeyBase64;
  });
  for (const auto& [what, m] : cases) {
    SCOPED_TRACE(what);
    EXPECT_FALSE(ManifestSigner::verify(m));
  }
}

TEST(ManifestSigner, TextThatIsNotUtf8CannotBeSignedOrVerified) {
  const auto keys = ManifestSigner::generateKeyPair();
  auto m = signedManifest(keys);
  m.name = "bad \xff byte";
  EXPECT_FALSE(ManifestSigner::verify(m));
  EXPECT_THROW(ManifestSigner::sign(m, keys.privateKey), ManifestSigner::Failure);
}

TEST(ManifestSigner, StrictBase64) {
  EXPECT_EQ(ManifestSigner::decodeBase64("aGk="), std::string("hi"));
  EXPECT_EQ(ManifestSigner::decodeBase64("aGVsbG8="), std::string("hello"));
  EXPECT_EQ(ManifestSigner::decodeBase64(""), std::string());
  for (const char* bad : {"aGk", "aGk==", "a=Gk", "aG=k", "aGk=\n", "aGk-", "aG_k", "====", "a==="}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(ManifestSigner::decodeBase64(bad));
  }
}

TEST(ManifestSigner, SeededKeyIsReproducible) {
  std::array<unsigned char, 32> seed{};
  seed.fill(7);
  const auto key = ManifestSigner::PrivateKey::fromSeed(seed);
  EXPECT_EQ(key.seed(), seed);
  const auto m = sampleManifest();
  EXPECT_EQ(ManifestSigner::sign(m, key), ManifestSigner::sign(m, ManifestSigner::PrivateKey::fromSeed(seed)));
}

}  // namespace
}  // namespace kivari
