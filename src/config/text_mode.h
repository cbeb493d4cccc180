// Splits a configuration file's bytes into lines the way the Windows C
// runtime's text mode reads them, so every build reads a file identically.
#ifndef VELTRANE_CONFIG_TEXT_MODE_H_
#define VELTRANE_CONFIG_TEXT_MODE_H_

#include <string_view>
#include <vector>

namespace veltrane {

// The lines of the file, without their line feeds: a UTF-8 byte-order mark
// at the very start is skipped, a carriage return before a line feed is
// dropped (a lone one stays), a Ctrl-Z byte ends the file and a NUL byte
// ends its line's text. Lines are returned whole, whatever their length.
// The views point into bytes.
std::vector<std::string_view> textModeLines(std::string_view bytes);

}  // namespace veltrane

#endif  // VELTRANE_CONFIG_TEXT_MODE_H_
