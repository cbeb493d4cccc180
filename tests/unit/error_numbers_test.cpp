#include "launcher/error_numbers.h"

#include <gtest/gtest.h>

#include <vector>

namespace veltrane {
namespace {

TEST(ErrorNumbers, SystemErrorsMapLikeTheWindowsRuntime) {
  // One system error from each range of the table (both ends of the wider
  // ones), and one outside every range.
  struct Case {
    const char* text;
    std::vector<SystemError> errors;
  };
  const Case cases[] = {
      {"No such file or directory", {2, 3, 15, 18, 53, 67, 161, 206}},
      {"Permission denied", {5, 16, 19, 36, 65, 82, 83, 108, 132, 158, 167}},
      {"Not enough space", {7, 9, 1816}},
      {"Arg list too long", {10}},
      {"Exec format error", {11, 188, 202}},
      {"Too many open files", {4}},
      {"Bad file descriptor", {6, 114, 130}},
      {"Improper link", {17}},
      {"File exists", {80, 183}},
      {"Resource temporarily unavailable", {89, 164, 215}},
      {"Broken pipe", {109}},
      {"No space left on device", {112}},
      {"No child processes", {128, 129}},
      {"Directory not empty", {145}},
      {"Invalid argument", {0, 203, 740}},
  };
  for (const Case& c : cases) {
    for (SystemError error : c.errors) {
      EXPECT_STREQ(errorText(errorNumberFromSystemError(error)), c.text) << error;
    }
  }
  EXPECT_STREQ(errorText(kNoError), "No error");
  EXPECT_STREQ(errorText(kResultTooLarge), "Result too large");
  EXPECT_STREQ(errorText(99), "Unknown error");
}

}  // namespace
}  // namespace veltrane
