#include "check/edit_distance.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace veltrane::check {

namespace {

std::string lowerCase(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

}  // namespace

size_t editDistance(std::string_view from, std::string_view to) {
  std::vector<size_t> previous(to.size() + 1);
  std::vector<size_t> current(to.size() + 1);
  for (size_t j = 0; j <= to.size(); ++j) {
    previous[j] = j;
  }
  for (size_t i = 1; i <= from.size(); ++i) {
    current[0] = i;
    for (size_t j = 1; j <= to.size(); ++j) {
      const size_t replace = previous[j - 1] + (from[i - 1] == to[j - 1] ? 0 : 1);
      current[j] = std::min({previous[j] + 1, current[j - 1] + 1, replace});
    }
    previous.swap(current);
  }
  return previous[to.size()];
}

std::string_view nearest(std::string_view word, const std::vector<std::string_view>& candidates,
                         size_t limit) {
  const std::string lowerWord = lowerCase(word);
  std::string_view best;
  size_t bestDistance = limit;
  for (const std::string_view candidate : candidates) {
    // The lengths alone tell a candidate is not nearer: no need to measure.
    if (std::max(word.size(), candidate.size()) - std::min(word.size(), candidate.size()) >=
        bestDistance) {
      continue;
    }
    const size_t distance = editDistance(lowerWord, lowerCase(candidate));
    if (distance < bestDistance) {
      best = candidate;
      bestDistance = distance;
    }
  }
  return best;
}

}  // namespace veltrane::check
