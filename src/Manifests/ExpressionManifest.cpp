#include "Manifests/ExpressionManifest.h"

#include <nlohmann/json.hpp>

namespace kivari {

namespace {

using nlohmann::json;

bool readString(const json& object, const char* key, std::string& out) {
  const auto it = object.find(key);
  if (it == object.end() || !it->is_string()) return false;
  out = it->get<std::string>();
  return true;
}

template <typename T, typename ReadOne>
bool readArray(const json& object, const char* key, std::vector<T>& out, ReadOne readOne) {
  const auto it = object.find(key);
  if (it == object.end() || !it->is_array()) return false;
  out.clear();
  out.reserve(it->size());
  for (const auto& element : *it) {
    T value;
    if (!readOne(element, value)) return false;
    out.push_back(std::move(value));
  }
  return true;
}

bool readPair(const json& value, const char* firstKey, std::string& first, const char* secondKey,
              std::string& second) {
  return value.is_object() && readString(value, firstKey, first) &&
         readString(value, secondKey, second);
}

}  // namespace

std::optional<ExpressionManifest> ExpressionManifest::fromJson(const json& document) {
  if (!document.is_object()) return std::nullopt;
  ExpressionManifest m;
  if (!readString(document, "id", m.id) || !readString(document, "name", m.name) ||
      !readString(document, "description", m.description) ||
      !readString(document, "version", m.version)) {
    return std::nullopt;
  }
  const auto surface = document.find("surface");
  if (surface == document.end() ||
      !readPair(*surface, "kind", m.surface.kind, "entrypoint", m.surface.entrypoint)) {
    return std::nullopt;
  }
  const bool listsRead =
      readArray(document, "keywords", m.keywords,
                [](const json& element, std::string& out) {
                  if (!element.is_string()) return false;
                  out = element.get<std::string>();
                  return true;
                }) &&
      readArray(document, "capabilities", m.capabilities, [](const json& element, Capability& out) {
        return readPair(element, "name", out.name, "justification", out.justification);
      });
  if (!listsRead) return std::nullopt;

  // Optional keys: missing or null means absent; any other wrong shape fails.
  if (const auto publisher = document.find("publisher");
      publisher != document.end() && !publisher->is_null()) {
    Publisher p;
    if (!readPair(*publisher, "name", p.name, "publicKey", p.publicKey)) return std::nullopt;
    m.publisher = std::move(p);
  }
  if (const auto signature = document.find("signature");
      signature != document.end() && !signature->is_null()) {
    if (!signature->is_string()) return std::nullopt;
    m.signature = signature->get<std::string>();
  }
  return m;
}

std::optional<ExpressionManifest> ExpressionManifest::decode(std::string_view text) {
  // Parsing validates UTF-8; a failure of any kind is simply no manifest.
  json document = json::parse(text.begin(), text.end(), nullptr, /*allow_exceptions=*/false);
  if (document.is_discarded()) return std::nullopt;
  return fromJson(document);
}

json ExpressionManifest::toJson() const {
  json document = json::object();
  document["id"] = id;
  document["name"] = name;
  document["description"] = description;
  document["version"] = version;
  document["surface"] = {{"kind", surface.kind}, {"entrypoint", surface.entrypoint}};
  document["keywords"] = json::array();
  for (const auto& keyword : keywords) document["keywords"].push_back(keyword);
  document["capabilities"] = json::array();
  for (const auto& capability : capabilities) {
    document["capabilities"].push_back(
        {{"name", capability.name}, {"justification", capability.justification}});
  }
  if (publisher) {
    document["publisher"] = {{"name", publisher->name}, {"publicKey", publisher->publicKey}};
  }
  if (signature) document["signature"] = *signature;
  return document;
}

}  // namespace kivari
