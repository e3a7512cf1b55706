#pragma once

#include "Manifests/ExpressionManifest.h"

#include <array>
#include <stdexcept>
#include <string>

namespace kivari {

// Ed25519 signatures over a manifest's canonical form. The key that checks a
// manifest is the one written in that same manifest.
class ManifestSigner {
 public:
  enum class SignerError { encodingFailed, invalidPublicKey, invalidSignature };

  struct Failure : std::runtime_error {
    Failure(SignerError e, const char* what) : std::runtime_error(what), error(e) {}
    SignerError error;
  };

  // An Ed25519 secret key (seed and public half, as libsodium keeps it).
  // Wiped when it goes.
  class PrivateKey {
   public:
    PrivateKey();
    PrivateKey(const PrivateKey&);
    PrivateKey& operator=(const PrivateKey&);
    ~PrivateKey();
    static PrivateKey fromSeed(const std::array<unsigned char, 32>& seed);
    const unsigned char* data() const { return bytes_.data(); }
    std::array<unsigned char, 32> seed() const;

   private:
    friend class ManifestSigner;
    std::array<unsigned char, 64> bytes_{};
  };

  struct KeyPair {
    PrivateKey privateKey;
    std::string publicKeyBase64;
  };

  // Compact JSON, keys sorted at every level, "/" unescaped, no `signature`.
  // Throws Failure(encodingFailed) when the manifest holds text that is not UTF-8.
  static std::string canonicalData(const ExpressionManifest& manifest);
  // True only for a well-formed key and signature over the canonical form.
  // Never throws.
  static bool verify(const ExpressionManifest& manifest) noexcept;
  // The standard base64 text that belongs in `signature`.
  static std::string sign(const ExpressionManifest& manifest, const PrivateKey& key);
  static KeyPair generateKeyPair();

  // Standard base64 with "=" padding; nothing for any character outside the
  // alphabet (line breaks included) or wrong padding.
  static std::optional<std::string> decodeBase64(std::string_view text);
  static std::string encodeBase64(const unsigned char* data, std::size_t size);
};

}  // namespace kivari
