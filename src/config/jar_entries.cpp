#include "config/jar_entries.h"

namespace veltrane {

JarEntries::JarEntries(std::string_view jarList) : text_(jarList) {
  std::string_view rest(text_);
  while (!rest.empty()) {
    const size_t separator = rest.find(';');
    entries_.push_back(rest.substr(0, separator));
    if (separator == std::string_view::npos) {
      break;
    }
    rest.remove_prefix(separator + 1);
  }
  removed_.assign(entries_.size(), false);
  for (size_t i = 0; i < entries_.size(); ++i) {
    occurrences_[entries_[i]].indices.push_back(i);
  }
}

bool JarEntries::removeFirst(std::string_view piece) {
  auto found = occurrences_.find(piece);
  if (found == occurrences_.end()) {
    return false;
  }
  Occurrences& occurrences = found->second;
  if (occurrences.nextUnremoved == occurrences.indices.size()) {
    return false;
  }
  removed_[occurrences.indices[occurrences.nextUnremoved++]] = true;
  return true;
}

// Dropping a whole entry from a ";"-joined list takes one separator with it,
// the one behind it or, for the last entry, the one before it: what remains
// is the other entries joined again.
std::string JarEntries::joined() const {
  std::string list;
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (removed_[i]) {
      continue;
    }
    if (!list.empty()) {
      list += ';';
    }
    list.append(entries_[i]);
  }
  return list;
}

}  // namespace veltrane
