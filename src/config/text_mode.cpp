#include "config/text_mode.h"

namespace veltrane {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr char kEndOfFile = 26;  // Ctrl-Z

}  // namespace

void TextModeReader::consume(std::string_view bytes) {
  if (ended_) {
    return;
  }
  const size_t end = bytes.find(kEndOfFile);
  if (end != std::string_view::npos) {
    bytes = bytes.substr(0, end);
    ended_ = true;
  }
  while (true) {
    const size_t feed = bytes.find('\n');
    if (feed == std::string_view::npos) {
      partial_.append(bytes);
      return;
    }
    std::string_view text = bytes.substr(0, feed);
    if (!partial_.empty()) {
      partial_.append(text);
      text = partial_;
    }
    if (!text.empty() && text.back() == '\r') {
      text.remove_suffix(1);
    }
    completeLine(text);
    partial_.clear();
    bytes.remove_prefix(feed + 1);
  }
}

void TextModeReader::finish() {
  // The last line needs no line feed; a carriage return there is lone.
  if (!partial_.empty()) {
    completeLine(partial_);
    partial_.clear();
  }
}

void TextModeReader::completeLine(std::string_view text) {
  // Editors that save UTF-8 with a mark would otherwise hide the first key.
  if (firstLine_ && text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    text.remove_prefix(kByteOrderMark.size());
  }
  firstLine_ = false;
  // Everything behind a NUL is invisible to code that reads C strings.
  sink_.line(text.substr(0, text.find('\0')));
}

std::vector<std::string> textModeLines(std::string_view bytes) {
  class Collector : public LineSink {
   public:
    explicit Collector(std::vector<std::string>& lines) : lines_(lines) {}
    void line(std::string_view text) override { lines_.emplace_back(text); }

   private:
    std::vector<std::string>& lines_;
  };
  std::vector<std::string> lines;
  Collector collector(lines);
  TextModeReader reader(collector);
  reader.consume(bytes);
  reader.finish();
  return lines;
}

}  // namespace veltrane
