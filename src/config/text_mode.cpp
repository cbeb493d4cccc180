#include "config/text_mode.h"

namespace veltrane {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr char kEndOfFile = 26;  // Ctrl-Z

std::string_view lineText(std::string_view line) {
  if (!line.empty() && line.back() == '\r') {
    line.remove_suffix(1);
  }
  // Everything behind a NUL is invisible to code that reads C strings.
  return line.substr(0, line.find('\0'));
}

}  // namespace

std::vector<std::string_view> textModeLines(std::string_view bytes) {
  // Editors that save UTF-8 with a mark would otherwise hide the first key.
  if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    bytes.remove_prefix(kByteOrderMark.size());
  }
  bytes = bytes.substr(0, bytes.find(kEndOfFile));

  std::vector<std::string_view> lines;
  while (!bytes.empty()) {
    const size_t feed = bytes.find('\n');
    if (feed == std::string_view::npos) {
      // The last line needs no line feed; a carriage return there is lone.
      lines.push_back(bytes.substr(0, bytes.find('\0')));
      break;
    }
    lines.push_back(lineText(bytes.substr(0, feed)));
    bytes.remove_prefix(feed + 1);
  }
  return lines;
}

}  // namespace veltrane
