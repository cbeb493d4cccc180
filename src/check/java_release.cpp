#include "check/java_release.h"

namespace veltrane::check {

namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// The leading number of a text, bounded so that it cannot overflow.
std::optional<int> leadingNumber(std::string_view text) {
  int value = 0;
  size_t digits = 0;
  while (digits < text.size() && digits < 4 && isDigit(text[digits])) {
    value = value * 10 + (text[digits++] - '0');
  }
  return digits == 0 ? std::nullopt : std::optional<int>(value);
}

}  // namespace

std::optional<JavaRelease> javaReleaseFrom(std::string_view releaseFile) {
  constexpr std::string_view kKey = "JAVA_VERSION=";
  size_t at = releaseFile.rfind(kKey, 0) == 0 ? 0 : releaseFile.find("\n" + std::string(kKey));
  if (at == std::string_view::npos) {
    return std::nullopt;
  }
  std::string_view value = releaseFile.substr(at + (at == 0 ? 0 : 1) + kKey.size());
  value = value.substr(0, value.find_first_of("\r\n"));
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    value = value.substr(1, value.size() - 2);
  }
  // "1.8.0_392": before Java 9 the feature release came second.
  const std::string_view feature = value.rfind("1.", 0) == 0 ? value.substr(2) : value;
  const std::optional<int> number = leadingNumber(feature);
  if (!number) {
    return std::nullopt;
  }
  return JavaRelease{*number, std::string(value)};
}

std::string releaseFileOf(const std::string& vmPath) {
  const size_t program = vmPath.find_last_of("\\/");
  const size_t bin = program == std::string::npos || program == 0
                         ? std::string::npos
                         : vmPath.find_last_of("\\/", program - 1);
  if (bin == std::string::npos) {
    return std::string();
  }
  return vmPath.substr(0, bin + 1) + "release";
}

}  // namespace veltrane::check
