#include "Intent/IntentResolver.h"

#include "Core/Text.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

namespace kivari {

namespace {

bool contains(std::string_view text, std::string_view part) {
  return memmem(text.data(), text.size(), part.data(), part.size()) != nullptr;
}

// The blank-separated words of a lower-cased request, each counted once.
class Words {
 public:
  explicit Words(std::string_view lowerKey) : key_(lowerKey) {
    words_.reserve(std::min<std::size_t>(lowerKey.size() / 4 + 1, 1 << 20));
    std::size_t start = 0;
    while (start < key_.size()) {
      std::size_t end = key_.find(' ', start);
      if (end == std::string_view::npos) end = key_.size();
      if (end > start) {
        const std::string_view word = key_.substr(start, end - start);
        words_.insert(word);
        longest_ = std::max(longest_, word.size());
      }
      start = end + 1;
    }
  }

  // A keyword hits when it holds one of the words or one of the words holds
  // it. An empty keyword hits nothing: otherwise a manifest with one would
  // answer every request that reaches it.
  bool hits(std::string_view keyword) const {
    if (keyword.empty() || words_.empty()) return false;
    // Requests are usually a few words, so go through them; a huge request
    // looks up the keyword's own pieces instead, which keeps it linear.
    const std::size_t pieces = keyword.size() * std::min(keyword.size(), longest_);
    if (words_.size() <= pieces) {
      for (std::string_view word : words_) {
        if (word.size() <= keyword.size() && contains(keyword, word)) return true;
      }
    } else {
      for (std::size_t i = 0; i < keyword.size(); ++i) {
        for (std::size_t n = 1; n <= std::min(longest_, keyword.size() - i); ++n) {
          if (words_.contains(keyword.substr(i, n))) return true;
        }
      }
    }
    // Words hold no blanks, so a keyword without one that occurs in the key
    // occurs within a single word.
    return keyword.find(' ') == std::string_view::npos && contains(key_, keyword);
  }

 private:
  std::string_view key_;
  std::unordered_set<std::string_view> words_;
  std::size_t longest_ = 0;
};

double score(std::string_view key, const Words& words, const ExpressionManifest& manifest) {
  if (key == text::lowercased(manifest.id) || key == text::lowercased(manifest.name)) return 1.0;
  const auto hits = std::ranges::count_if(manifest.keywords, [&](const std::string& keyword) {
    return words.hits(text::lowercased(keyword));
  });
  if (hits == 0) return 0.0;
  const double share = static_cast<double>(hits) /
                       static_cast<double>(std::max<std::size_t>(manifest.keywords.size(), 1));
  // Keywords alone never reach the score of an exact name.
  return std::min(share, 0.99);
}

}  // namespace

double IntentResolver::matchScore(std::string_view input, const ExpressionManifest& manifest) {
  // Lower-casing does not add or remove blanks, so splitting the lower-cased
  // text gives the lower-cased words.
  const std::string lower = text::lowercased(input);
  return score(input, Words(lower), manifest);
}

std::optional<ResolvedIntent> IntentResolver::resolve(std::string_view text) const {
  const auto& manifests = registry_.manifests();
  if (manifests.empty()) return std::nullopt;
  const std::string key = text::trimmed(text::lowercased(text));
  const Words words(key);

  const ExpressionManifest* best = nullptr;
  double bestScore = 0.0;
  for (const auto& manifest : manifests) {
    // Strictly greater: among equal scores the earlier manifest stays.
    if (const double s = score(key, words, manifest); s > bestScore) {
      bestScore = s;
      best = &manifest;
    }
  }
  if (best == nullptr) return std::nullopt;
  return ResolvedIntent{*best, bestScore};
}

}  // namespace kivari
