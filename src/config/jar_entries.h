// The jars found in "addjars" directories, as separate entries, so that the
// ones already named explicitly can be dropped in time linear in their number.
#ifndef VELTRANE_CONFIG_JAR_ENTRIES_H_
#define VELTRANE_CONFIG_JAR_ENTRIES_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace veltrane {

class JarEntries {
 public:
  // Takes a ";"-joined list of jar paths.
  explicit JarEntries(std::string_view jarList);

  // Removes the first remaining entry that equals the piece exactly (case
  // matters). Returns false when no remaining entry does.
  bool removeFirst(std::string_view piece);

  // The remaining entries in their original order, joined with ";".
  std::string joined() const;

 private:
  // The slot of the text in slots_: the one that holds it, or the empty one
  // where it would go.
  size_t slotOf(std::string_view text) const;

  std::string text_;
  std::vector<std::string_view> entries_;  // views into text_
  std::vector<bool> removed_;
  // A small hash table of its own (the standard one would take a good part
  // of the launcher's size): per distinct text, 1 + the index of its first
  // entry not removed, or of its last one when all are; 0 for an empty slot.
  std::vector<size_t> slots_;
  std::vector<size_t> nextSame_;  // the next entry with the same text, or kNone
};

}  // namespace veltrane

#endif  // VELTRANE_CONFIG_JAR_ENTRIES_H_
