#include "check/byte_scan.h"

#include <algorithm>
#include <string>

#include "check/utf8_rules.h"

namespace veltrane::check {

namespace {

constexpr unsigned char kEndOfFile = 26;  // Ctrl-Z
constexpr unsigned char kByteOrderMark[] = {0xEF, 0xBB, 0xBF};

}  // namespace

void ByteScan::consume(std::string_view bytes) {
  for (const char byte : bytes) {
    take(static_cast<unsigned char>(byte));
  }
}

void ByteScan::take(unsigned char byte) {
  if (total_ < 2) {
    first_[total_] = byte;
  }
  if (byte == 0) {
    ++(total_ % 2 == 0 ? nulAtEven_ : nulAtOdd_);
  }
  const size_t offset = total_++;
  if (endOfFileLine_ != 0) {
    ++bytesAfterEnd_;
    return;
  }
  ++column_;
  current_.line = lineCount_ + 1;
  // The launcher skips a UTF-8 mark at the start: it is no text of the line.
  inByteOrderMark_ = inByteOrderMark_ && offset < 3 && byte == kByteOrderMark[offset];
  if (byte == kEndOfFile) {
    endOfFileLine_ = current_.line;
    endOfFileColumn_ = column_;
  } else if (byte == '\n') {
    endLine();
  } else if (byte == 0 && current_.firstNul == 0) {
    current_.firstNul = column_;
  } else if (!inByteOrderMark_) {
    takeUtf8(byte);
  }
}

void ByteScan::takeUtf8(unsigned char byte) {
  if (pending_ > 0) {
    if (byte >= low_ && byte <= high_) {
      --pending_;
      low_ = 0x80;
      high_ = 0xBF;
      return;
    }
    // The sequence broke off; the byte is read as a new start.
    current_.firstInvalid = current_.firstInvalid == 0 ? column_ : current_.firstInvalid;
    pending_ = 0;
    low_ = 0x80;
    high_ = 0xBF;
  }
  if (byte < 0x80) {
    return;
  }
  current_.firstNonAscii = current_.firstNonAscii == 0 ? column_ : current_.firstNonAscii;
  const Utf8Lead lead = utf8Lead(byte);
  pending_ = lead.continuations;
  low_ = lead.low;
  high_ = lead.high;
  if (pending_ == 0 && current_.firstInvalid == 0) {
    current_.firstInvalid = column_;
  }
}

void ByteScan::endLine() {
  if (pending_ > 0 && current_.firstInvalid == 0) {
    current_.firstInvalid = column_;  // a sequence cut short by the line's end
  }
  pending_ = 0;
  low_ = 0x80;
  high_ = 0xBF;
  lineProblems(current_);
  ++lineCount_;
  current_ = LineBytes();
  column_ = 0;
}

void ByteScan::finish() {
  if (column_ > 0 || endOfFileLine_ != 0) {
    endLine();
  }
}

bool ByteScan::isUtf16() const {
  if ((first_[0] == 0xFF && first_[1] == 0xFE) || (first_[0] == 0xFE && first_[1] == 0xFF)) {
    return true;
  }
  // Latin text in UTF-16 without a mark: every other byte is a NUL.
  const size_t nuls = nulAtEven_ + nulAtOdd_;
  return nuls >= 2 && nuls * 4 >= total_ && std::max(nulAtEven_, nulAtOdd_) * 10 >= nuls * 9;
}

std::vector<Problem> ByteScan::problems() const {
  if (isUtf16()) {
    const bool mark = first_[0] == 0xFF || first_[0] == 0xFE;
    return {{"encoding", Severity::kError, 1, 1,
             std::string("the file is UTF-16 (") +
                 (mark ? "a byte-order mark" : "NUL bytes in pairs") +
                 "): the launcher reads single bytes and cannot read it",
             "save it in the ANSI code page (Notepad: Save As, Encoding: ANSI), or as UTF-8 "
             "for a launcher branded with \"codePage\": \"utf-8\""}};
  }
  std::vector<Problem> found = found_;
  if (endOfFileLine_ != 0) {
    found.push_back({"after-end-of-file", Severity::kWarning, endOfFileLine_, endOfFileColumn_,
                     "a Ctrl-Z byte ends the file for the launcher: the " +
                         std::to_string(bytesAfterEnd_) + " bytes after it are not read",
                     "remove the Ctrl-Z byte (26)"});
  }
  return found;
}

void ByteScan::add(Problem problem) {
  if (limit_.admit(problem)) {
    found_.push_back(std::move(problem));
  }
}

void ByteScan::lineProblems(const LineBytes& line) {
  {
    if (line.firstNul != 0) {
      add({"nul-byte", Severity::kWarning, line.line, line.firstNul,
           "a NUL byte ends this line's text: the rest of the line is not read",
           "remove the NUL byte; save the file as plain text"});
    }
    if (line.firstNonAscii == 0) {
      return;
    }
    if (codePage_ == CodePage::kAnsi && line.firstInvalid == 0) {
      add({"encoding", Severity::kWarning, line.line, line.firstNonAscii,
           "UTF-8 text: the launcher reads it in the ANSI code page, so the VM receives other "
           "characters (\"é\" arrives as \"Ã©\")",
           "brand the launcher with \"codePage\": \"utf-8\" (Windows 10 1903 and later), or "
           "save the configuration in the ANSI code page (Notepad: Save As, Encoding: ANSI)"});
    } else if (codePage_ == CodePage::kUtf8 && line.firstInvalid != 0) {
      add({"encoding", Severity::kError, line.line, line.firstInvalid,
           "bytes that are not UTF-8: the UTF-8 launcher cannot read them as "
           "the characters meant",
           "save the configuration as UTF-8 (Notepad: Save As, Encoding: UTF-8)"});
    }
  }
}

}  // namespace veltrane::check
