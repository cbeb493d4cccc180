// Splits a configuration file's bytes into lines the way the Windows C
// runtime's text mode reads them, so every build reads a file identically.
#ifndef VELTRANE_CONFIG_TEXT_MODE_H_
#define VELTRANE_CONFIG_TEXT_MODE_H_

#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace veltrane {

// Receives each line of a file as it completes.
class LineSink {
 public:
  virtual ~LineSink() = default;
  virtual void line(std::string_view text) = 0;
};

// Takes a file's bytes piece by piece and hands its lines, without their
// line feeds, to the sink: a UTF-8 byte-order mark at the very start is
// skipped, a carriage return before a line feed is dropped (a lone one
// stays), a Ctrl-Z byte ends the file and a NUL byte ends its line's text.
// Lines are handed over whole, whatever their length; only the line being
// read is held, so memory grows with the longest line, not with the file.
class TextModeReader : public ByteSink {
 public:
  explicit TextModeReader(LineSink& sink) : sink_(sink) {}

  void consume(std::string_view bytes) override;
  // Hands over the last line, which needs no line feed.
  void finish();

 private:
  void completeLine(std::string_view text);

  LineSink& sink_;
  std::string partial_;  // the start of a line whose line feed is still to come
  bool firstLine_ = true;
  bool ended_ = false;  // a Ctrl-Z was read
};

// The lines of a whole text, read as above.
std::vector<std::string> textModeLines(std::string_view bytes);

}  // namespace veltrane

#endif  // VELTRANE_CONFIG_TEXT_MODE_H_
