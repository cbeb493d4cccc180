// Comparing names as Windows compares file extensions: ASCII letters without
// regard to case.
#ifndef VELTRANE_CHECK_ASCII_CASE_H_
#define VELTRANE_CHECK_ASCII_CASE_H_

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <string_view>

namespace veltrane::check {

// True when text ends in end, letters compared without regard to case.
inline bool endsWithIgnoringCase(std::string_view text, std::string_view end) {
  return text.size() >= end.size() &&
         std::equal(
             end.begin(), end.end(), text.end() - static_cast<std::ptrdiff_t>(end.size()),
             [](unsigned char a, unsigned char b) { return std::tolower(a) == std::tolower(b); });
}

}  // namespace veltrane::check

#endif  // VELTRANE_CHECK_ASCII_CASE_H_
