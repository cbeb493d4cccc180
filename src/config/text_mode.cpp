#include "config/text_mode.h"

#include <algorithm>

namespace veltrane {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr char kEndOfFile = 26;  // Ctrl-Z
// The characters that trimming removes from both ends of a line and a value.
constexpr std::string_view kBlanks = " \t\r\n";
// A comment, or the end of the text that C strings see.
constexpr std::string_view kTextEnds("#\0", 2);

bool isBlank(char c) {
  return kBlanks.find(c) != std::string_view::npos;
}

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
    take(bytes.substr(0, feed));
    if (feed == std::string_view::npos) {
      return;
    }
    endLine();
    bytes.remove_prefix(feed + 1);
  }
}

void TextModeReader::finish() {
  // The last line needs no line feed; a carriage return there is lone.
  if (!partial_.empty() || dropped_ > 0) {
    completeLine(partial_, dropped_);
  }
  partial_.clear();
}

// Keeps the piece, a part of one line, while there is room, and counts the
// rest once the line is too long to keep.
void TextModeReader::take(std::string_view piece) {
  while (!piece.empty()) {
    if (overflow_ != Overflow::kNone) {
      piece.remove_prefix(count(piece));
      continue;
    }
    const size_t room = std::min(kMaxKeptLine - partial_.size(), piece.size());
    partial_.append(piece.substr(0, room));
    piece.remove_prefix(room);
    if (partial_.size() == kMaxKeptLine) {
      compact();
    }
  }
}

// Leaves out of a full line what cannot change its effect: blanks in front
// of it and after its first space (trimming removes them), and the part of
// a first word beyond kMaxKeptText (only its start can be a key). When
// nothing could be left out, the rest of the line is only counted.
void TextModeReader::compact() {
  if (partial_.find_first_of(kTextEnds) != std::string::npos) {
    overflow_ = Overflow::kIgnored;  // the line's text ends within what is kept
    return;
  }
  const size_t before = partial_.size();
  partial_.erase(0, std::min(partial_.find_first_not_of(kBlanks), partial_.size()));
  size_t space = partial_.find(' ');
  if (space == std::string::npos) {
    if (partial_.size() > kMaxKeptText) {
      dropped_ = partial_.size() - kMaxKeptText;
      partial_.resize(kMaxKeptText);
      overflow_ = Overflow::kWord;
    }
    return;
  }
  if (space > kMaxKeptText) {
    partial_.erase(kMaxKeptText, space - kMaxKeptText);
    space = kMaxKeptText;
  }
  const size_t valueStart =
      std::min(partial_.find_first_not_of(kBlanks, space + 1), partial_.size());
  partial_.erase(space + 1, valueStart - space - 1);
  if (partial_.size() == before) {
    overflow_ = Overflow::kValue;
  }
}

// Counts a piece of a line that is not kept. Returns how much of it was
// counted: all of it, unless a space ends an over-long first word, after
// which the value starts and is kept again.
size_t TextModeReader::count(std::string_view piece) {
  for (size_t i = 0; i < piece.size() && overflow_ != Overflow::kIgnored; ++i) {
    const char c = piece[i];
    if (kTextEnds.find(c) != std::string_view::npos) {
      overflow_ = Overflow::kIgnored;
    } else if (overflow_ == Overflow::kWord && c == ' ') {
      // The word's rest is no part of the value that follows.
      partial_ += ' ';
      dropped_ = 0;
      pendingBlanks_ = 0;
      overflow_ = Overflow::kNone;
      return i + 1;
    } else if (isBlank(c)) {
      ++pendingBlanks_;
    } else {
      dropped_ += pendingBlanks_ + 1;
      pendingBlanks_ = 0;
    }
  }
  return piece.size();
}

void TextModeReader::endLine() {
  std::string_view text = partial_;
  if (overflow_ == Overflow::kNone && !text.empty() && text.back() == '\r') {
    text.remove_suffix(1);
  }
  completeLine(text, dropped_);
  partial_.clear();
  overflow_ = Overflow::kNone;
  dropped_ = 0;
  pendingBlanks_ = 0;
}

void TextModeReader::completeLine(std::string_view text, size_t dropped) {
  // Editors that save UTF-8 with a mark would otherwise hide the first key.
  if (firstLine_ && text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    text.remove_prefix(kByteOrderMark.size());
  }
  firstLine_ = false;
  // Everything behind a NUL is invisible to code that reads C strings.
  sink_.line(text.substr(0, text.find('\0')), dropped);
}

std::vector<std::string> textModeLines(std::string_view bytes) {
  class Collector : public LineSink {
   public:
    explicit Collector(std::vector<std::string>& lines) : lines_(lines) {}
    void line(std::string_view text, size_t /*dropped*/) override { lines_.emplace_back(text); }

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
