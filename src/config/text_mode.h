// Splits a configuration file's bytes into lines the way the Windows C
// runtime's text mode reads them, so every build reads a file identically.
#ifndef VELTRANE_CONFIG_TEXT_MODE_H_
#define VELTRANE_CONFIG_TEXT_MODE_H_

#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace veltrane {

// The most characters of a value or a list that are kept. Windows starts no
// command line longer than 32,767 characters, so a text longer than this
// can never be launched: only its start is kept and the rest is counted,
// which is all the failure report needs, and memory stays small whatever a
// configuration file holds. Texts up to this length (a class path of 20,000
// jars) are kept whole, so their report still shows how they end.
constexpr size_t kMaxKeptText = size_t{1024} * 1024;

// Receives each line of a file as it completes.
class LineSink {
 public:
  virtual ~LineSink() = default;
  // The line's text, and the number of characters after it that were counted
  // but not kept (0 for every line of a sane length): see TextModeReader.
  virtual void line(std::string_view text, size_t dropped) = 0;
};

// Takes a file's bytes piece by piece and hands its lines, without their
// line feeds, to the sink: a UTF-8 byte-order mark at the very start is
// skipped, a carriage return before a line feed is dropped (a lone one
// stays), a Ctrl-Z byte ends the file and a NUL byte ends its line's text.
//
// Only the line being read is held, and of a line longer than kMaxKeptLine
// only what decides its effect: the blanks in front of it and after its
// first space are left out, and a first word longer than kMaxKeptText keeps
// only that many characters, so that the key and the value's first
// kMaxKeptText characters are kept. The characters after the kept text are
// counted up to a "#" or a NUL, without the blanks that end the line.
class TextModeReader : public ByteSink {
 public:
  explicit TextModeReader(LineSink& sink) : sink_(sink) {}

  void consume(std::string_view bytes) override;
  // Hands over the last line, which needs no line feed.
  void finish();

  // A first word and a value, each as long as is ever kept, and the space.
  static constexpr size_t kMaxKeptLine = 2 * kMaxKeptText + 2;

 private:
  // What becomes of the characters of a line that are not kept.
  enum class Overflow {
    kNone,     // all are kept so far
    kWord,     // counted as the rest of the first word, until a space
    kValue,    // counted as the rest of the value
    kIgnored,  // a comment, or hidden behind a NUL
  };

  void take(std::string_view piece);
  void compact();
  size_t count(std::string_view piece);
  void endLine();
  void completeLine(std::string_view text, size_t dropped);

  LineSink& sink_;
  std::string partial_;  // the kept start of a line whose line feed is still to come
  Overflow overflow_ = Overflow::kNone;
  size_t dropped_ = 0;        // characters counted after partial_
  size_t pendingBlanks_ = 0;  // blanks counted after those, which count only if text follows
  bool firstLine_ = true;
  bool ended_ = false;  // a Ctrl-Z was read
};

// The lines of a whole text, read as above.
std::vector<std::string> textModeLines(std::string_view bytes);

}  // namespace veltrane

#endif  // VELTRANE_CONFIG_TEXT_MODE_H_
