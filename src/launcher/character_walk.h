// Steps through a text of the ANSI code page one character at a time, so
// that what is shown of a text is cut only between its characters.
#ifndef VELTRANE_LAUNCHER_CHARACTER_WALK_H_
#define VELTRANE_LAUNCHER_CHARACTER_WALK_H_

#include <cstddef>
#include <string_view>

#include "platform/platform.h"

namespace veltrane {

class CharacterWalk {
 public:
  // Asks the platform once which kind of code page the process runs in.
  explicit CharacterWalk(Platform& platform);

  // The length in bytes of the character that starts at the position: a
  // double-byte character of the ANSI code page, or a well-formed UTF-8
  // sequence when the code page is UTF-8. A byte that starts no whole
  // character (a lead byte at the very end, a broken sequence) is a
  // character of its own, as the system shows it.
  size_t length(std::string_view text, size_t position) const;

  // The number of characters in the text.
  size_t count(std::string_view text) const;

 private:
  Platform& platform_;
  bool utf8_;
};

// The length of the well-formed UTF-8 sequence that starts at the position
// (no overlong form, no surrogate, nothing above U+10FFFF), or 1.
size_t utf8SequenceLength(std::string_view text, size_t position);

}  // namespace veltrane

#endif  // VELTRANE_LAUNCHER_CHARACTER_WALK_H_
