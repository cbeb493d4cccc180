// Looks at a configuration file's bytes as they are read: UTF-16, NUL bytes,
// a Ctrl-Z, and the lines whose non-ASCII bytes are, or are not, UTF-8.
#ifndef VELTRANE_CHECK_BYTE_SCAN_H_
#define VELTRANE_CHECK_BYTE_SCAN_H_

#include <cstddef>
#include <string_view>
#include <vector>

#include "check/check_report.h"
#include "platform/platform.h"

namespace veltrane::check {

enum class CodePage { kAnsi, kUtf8 };

// Never deleted through its base, whose destructor is protected.
class ByteScan final : public ByteSink {  // NOLINT(cppcoreguidelines-virtual-class-destructor)
 public:
  // For a launcher that reads the bytes in the code page.
  explicit ByteScan(CodePage codePage) : codePage_(codePage) {}

  void consume(std::string_view bytes) override;
  // Closes the last line, which needs no line feed.
  void finish();

  // The problems the bytes show. A UTF-16 file is one error and nothing
  // else is said of its bytes.
  std::vector<Problem> problems() const;
  bool isUtf16() const;
  const ProblemLimit& limit() const { return limit_; }

 private:
  // What one line's bytes hold; columns count from 1, 0 for none.
  struct LineBytes {
    size_t line = 0;
    size_t firstNonAscii = 0;
    size_t firstInvalid = 0;  // the first byte that breaks UTF-8
    size_t firstNul = 0;
  };
  void take(unsigned char byte);
  void takeUtf8(unsigned char byte);
  void endLine();
  void lineProblems(const LineBytes& line);
  void add(Problem problem);

  CodePage codePage_;
  std::vector<Problem> found_;  // the lines' problems, as far as listed
  ProblemLimit limit_;
  size_t lineCount_ = 0;
  LineBytes current_;
  size_t column_ = 0;
  size_t total_ = 0;
  size_t nulAtEven_ = 0;
  size_t nulAtOdd_ = 0;
  unsigned char first_[2] = {0, 0};
  bool inByteOrderMark_ = true;
  // UTF-8: continuation bytes still expected, and the range the next must be in.
  int pending_ = 0;
  unsigned char low_ = 0x80;
  unsigned char high_ = 0xBF;
  size_t endOfFileLine_ = 0;  // the line of the Ctrl-Z, 0 for none
  size_t endOfFileColumn_ = 0;
  size_t bytesAfterEnd_ = 0;
};

}  // namespace veltrane::check

#endif  // VELTRANE_CHECK_BYTE_SCAN_H_
