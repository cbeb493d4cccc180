#include "config/jar_entries.h"

#include <cstdint>

namespace veltrane {

namespace {

constexpr size_t kNone = ~size_t{0};

}  // namespace

size_t JarEntries::slotOf(std::string_view text) const {
  std::uint64_t hash = 14695981039346656037U;  // FNV-1a
  for (const char c : text) {
    hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211U;
  }
  const size_t mask = slots_.size() - 1;
  size_t slot = static_cast<size_t>(hash) & mask;
  while (slots_[slot] != 0 && entries_[slots_[slot] - 1] != text) {
    slot = (slot + 1) & mask;
  }
  return slot;
}

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
  nextSame_.assign(entries_.size(), kNone);
  size_t size = 1;
  while (size < 2 * entries_.size() + 1) {
    size *= 2;  // at most half full, so probing stays short
  }
  slots_.assign(size, 0);
  // From the last entry to the first, so each text's slot ends at its first.
  for (size_t i = entries_.size(); i-- > 0;) {
    const size_t slot = slotOf(entries_[i]);
    if (slots_[slot] != 0) {
      nextSame_[i] = slots_[slot] - 1;
    }
    slots_[slot] = i + 1;
  }
}

bool JarEntries::removeFirst(std::string_view piece) {
  const size_t slot = slotOf(piece);
  if (slots_[slot] == 0 || removed_[slots_[slot] - 1]) {
    return false;
  }
  const size_t first = slots_[slot] - 1;
  removed_[first] = true;
  if (nextSame_[first] != kNone) {
    slots_[slot] = nextSame_[first] + 1;
  }
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
