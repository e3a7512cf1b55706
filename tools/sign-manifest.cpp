// kivari-sign-manifest <manifest.json>
//
// Signs a manifest with a fresh Ed25519 key: writes the key's public half into
// `publisher.publicKey` (keeping the publisher's name, "Kivari" when there is
// none), signs the result and rewrites the file with its `signature`. The
// private key lives only in memory and is wiped on exit.

#include "Manifests/ExpressionManifest.h"
#include "Manifests/ManifestRegistry.h"
#include "Manifests/ManifestSigner.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <system_error>

namespace {

namespace fs = std::filesystem;
using kivari::ExpressionManifest;
using kivari::ManifestSigner;
using Document = nlohmann::ordered_json;  // keeps the author's key order

constexpr const char* kDefaultPublisher = "Kivari";

struct ToolError {
  std::string message;
};

std::string readManifestFile(const fs::path& file) {
  std::error_code ec;
  if (!fs::exists(file, ec)) throw ToolError{"no such file"};
  if (!fs::is_regular_file(file, ec)) throw ToolError{"not a regular file"};
  const auto size = fs::file_size(file, ec);
  if (ec) throw ToolError{"cannot read its size: " + ec.message()};
  // The application skips anything larger, so signing it would be pointless.
  if (size > kivari::ManifestRegistry::kMaxManifestBytes) {
    throw ToolError{"larger than a manifest may be (1 MiB)"};
  }
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  if (!in || !(text << in.rdbuf())) throw ToolError{"cannot be read"};
  return text.str();
}

std::string publisherName(const Document& document) {
  const auto publisher = document.find("publisher");
  if (publisher == document.end() || publisher->is_null()) return kDefaultPublisher;
  if (!publisher->is_object()) throw ToolError{"\"publisher\" must be an object"};
  const auto name = publisher->find("name");
  if (name == publisher->end() || name->is_null()) return kDefaultPublisher;
  if (!name->is_string()) throw ToolError{"\"publisher.name\" must be a string"};
  return name->get<std::string>();
}

// The first required key that is missing or not of its type, for a message
// more useful than "invalid".
std::string firstProblem(const Document& document) {
  for (const char* key : {"id", "name", "description", "version"}) {
    const auto it = document.find(key);
    if (it == document.end() || !it->is_string()) {
      return "\"" + std::string(key) + "\" must be a string";
    }
  }
  const auto surface = document.find("surface");
  if (surface == document.end() || !surface->is_object()) return "\"surface\" must be an object";
  for (const char* key : {"keywords", "capabilities"}) {
    const auto it = document.find(key);
    if (it == document.end() || !it->is_array()) {
      return "\"" + std::string(key) + "\" must be a list";
    }
  }
  return "a field has the wrong shape (surface needs kind and entrypoint, keywords are "
         "strings, capabilities need name and justification)";
}

ExpressionManifest decoded(const Document& document) {
  auto manifest = ExpressionManifest::decode(document.dump());
  if (!manifest) throw ToolError{"not a valid manifest: " + firstProblem(document)};
  return *manifest;
}

// Writes beside the original and renames over it, so a failed write never
// leaves a half-written manifest behind.
void replaceFile(const fs::path& file, const std::string& contents) {
  fs::path temporary = file;
  temporary += ".signing";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out || !(out << contents) || !out.flush()) {
      std::error_code ignored;
      fs::remove(temporary, ignored);
      throw ToolError{"cannot write " + temporary.string()};
    }
  }
  std::error_code ec;
  fs::rename(temporary, file, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    throw ToolError{"cannot replace the file: " + ec.message()};
  }
}

std::string signFile(const fs::path& file) {
  Document document = Document::parse(readManifestFile(file), nullptr, /*allow_exceptions=*/false);
  if (document.is_discarded()) throw ToolError{"not valid JSON (or not UTF-8)"};
  if (!document.is_object()) throw ToolError{"not a JSON object"};

  const auto keys = ManifestSigner::generateKeyPair();
  document["publisher"] = Document{{"name", publisherName(document)},
                                   {"publicKey", keys.publicKeyBase64}};
  document.erase("signature");
  document["signature"] = ManifestSigner::sign(decoded(document), keys.privateKey);

  const std::string contents = document.dump(2) + "\n";
  // Check what is about to be written, exactly as the application will read it.
  const auto written = ExpressionManifest::decode(contents);
  if (!written || !ManifestSigner::verify(*written)) {
    throw ToolError{"the signed manifest does not verify; the file was left unchanged"};
  }
  replaceFile(file, contents);
  return keys.publicKeyBase64;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: kivari-sign-manifest <manifest.json>\n"
                 "Signs the manifest with a fresh key and rewrites it in place.\n";
    return 2;
  }
  const fs::path file = argv[1];
  try {
    std::cout << signFile(file) << "\n";
    return 0;
  } catch (const ToolError& e) {
    std::cerr << "kivari-sign-manifest: " << file.string() << ": " << e.message << "\n";
  } catch (const std::exception& e) {
    std::cerr << "kivari-sign-manifest: " << file.string() << ": " << e.what() << "\n";
  }
  return 1;
}
