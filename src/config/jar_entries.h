// The jars found in "addjars" directories, as separate entries, so that the
// ones already named explicitly can be dropped in time linear in their number.
#ifndef VELTRANE_CONFIG_JAR_ENTRIES_H_
#define VELTRANE_CONFIG_JAR_ENTRIES_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
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
  struct Occurrences {
    std::vector<size_t> indices;  // ascending
    size_t nextUnremoved = 0;
  };

  std::string text_;
  std::vector<std::string_view> entries_;  // views into text_
  std::vector<bool> removed_;
  std::unordered_map<std::string_view, Occurrences> occurrences_;
};

}  // namespace veltrane

#endif  // VELTRANE_CONFIG_JAR_ENTRIES_H_
