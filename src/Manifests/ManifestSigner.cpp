#include "Manifests/ManifestSigner.h"

#include <nlohmann/json.hpp>
#include <sodium.h>

#include <cstdlib>

namespace kivari {

namespace {

void ensureSodium() {
  // sodium_init is safe to call more than once and from several threads.
  static const int ready = sodium_init();
  if (ready < 0) std::abort();
}

int base64Value(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

ManifestSigner::PrivateKey::PrivateKey() = default;
ManifestSigner::PrivateKey::PrivateKey(const PrivateKey&) = default;
ManifestSigner::PrivateKey& ManifestSigner::PrivateKey::operator=(const PrivateKey&) = default;
ManifestSigner::PrivateKey::~PrivateKey() { sodium_memzero(bytes_.data(), bytes_.size()); }

ManifestSigner::PrivateKey ManifestSigner::PrivateKey::fromSeed(
    const std::array<unsigned char, 32>& seed) {
  ensureSodium();
  PrivateKey key;
  std::array<unsigned char, crypto_sign_PUBLICKEYBYTES> pk{};
  crypto_sign_seed_keypair(pk.data(), key.bytes_.data(), seed.data());
  return key;
}

std::array<unsigned char, 32> ManifestSigner::PrivateKey::seed() const {
  std::array<unsigned char, 32> out{};
  crypto_sign_ed25519_sk_to_seed(out.data(), bytes_.data());
  return out;
}

std::optional<std::string> ManifestSigner::decodeBase64(std::string_view text) {
  if (text.size() % 4 != 0) return std::nullopt;
  std::string out;
  out.reserve(text.size() / 4 * 3);
  for (std::size_t i = 0; i < text.size(); i += 4) {
    const bool last = i + 4 == text.size();
    int v[4];
    int padding = 0;
    for (int j = 0; j < 4; ++j) {
      const auto c = static_cast<unsigned char>(text[i + static_cast<std::size_t>(j)]);
      if (c == '=' && last && j >= 2) {
        v[j] = 0;
        ++padding;
        continue;
      }
      if (padding > 0) return std::nullopt;  // data after padding
      v[j] = base64Value(c);
      if (v[j] < 0) return std::nullopt;
    }
    const unsigned triple = (static_cast<unsigned>(v[0]) << 18) |
                            (static_cast<unsigned>(v[1]) << 12) |
                            (static_cast<unsigned>(v[2]) << 6) | static_cast<unsigned>(v[3]);
    out.push_back(static_cast<char>((triple >> 16) & 0xff));
    if (padding < 2) out.push_back(static_cast<char>((triple >> 8) & 0xff));
    if (padding < 1) out.push_back(static_cast<char>(triple & 0xff));
  }
  return out;
}

std::string ManifestSigner::encodeBase64(const unsigned char* data, std::size_t size) {
  ensureSodium();
  std::string out(sodium_base64_encoded_len(size, sodium_base64_VARIANT_ORIGINAL), '\0');
  sodium_bin2base64(out.data(), out.size(), data, size, sodium_base64_VARIANT_ORIGINAL);
  out.resize(out.size() - 1);  // drop the terminating NUL
  return out;
}

std::string ManifestSigner::canonicalData(const ExpressionManifest& manifest) {
  ExpressionManifest copy = manifest;
  copy.signature.reset();
  try {
    // nlohmann keeps object keys sorted and never escapes "/"; ensure_ascii off
    // writes UTF-8 as bytes, and control characters get one fixed escape form.
    return copy.toJson().dump(-1, ' ', false, nlohmann::json::error_handler_t::strict);
  } catch (const nlohmann::json::exception& e) {
    throw Failure(SignerError::encodingFailed, e.what());
  }
}

bool ManifestSigner::verify(const ExpressionManifest& manifest) noexcept {
  if (!manifest.publisher || !manifest.signature) return false;
  const auto signature = decodeBase64(*manifest.signature);
  if (!signature) return false;
  const auto publicKey = decodeBase64(manifest.publisher->publicKey);
  if (!publicKey || publicKey->size() != crypto_sign_PUBLICKEYBYTES) return false;
  if (signature->size() != crypto_sign_BYTES) return false;
  std::string canonical;
  try {
    canonical = canonicalData(manifest);
  } catch (...) {
    return false;
  }
  ensureSodium();
  return crypto_sign_verify_detached(
             reinterpret_cast<const unsigned char*>(signature->data()),
             reinterpret_cast<const unsigned char*>(canonical.data()), canonical.size(),
             reinterpret_cast<const unsigned char*>(publicKey->data())) == 0;
}

std::string ManifestSigner::sign(const ExpressionManifest& manifest, const PrivateKey& key) {
  const std::string canonical = canonicalData(manifest);
  ensureSodium();
  std::array<unsigned char, crypto_sign_BYTES> signature{};
  crypto_sign_detached(signature.data(), nullptr,
                       reinterpret_cast<const unsigned char*>(canonical.data()), canonical.size(),
                       key.data());
  return encodeBase64(signature.data(), signature.size());
}

ManifestSigner::KeyPair ManifestSigner::generateKeyPair() {
  ensureSodium();
  KeyPair pair;
  std::array<unsigned char, crypto_sign_PUBLICKEYBYTES> publicKey{};
  crypto_sign_keypair(publicKey.data(), pair.privateKey.bytes_.data());
  pair.publicKeyBase64 = encodeBase64(publicKey.data(), publicKey.size());
  return pair;
}

}  // namespace kivari
