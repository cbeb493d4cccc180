#include "launcher/path_install.h"

namespace veltrane {

std::string pathValueThatFits(std::string_view value) {
  if (value.size() <= kMaxEnvironmentValue) {
    return std::string(value);
  }
  const size_t lastSeparator = value.rfind(';', kMaxEnvironmentValue);
  if (lastSeparator == std::string_view::npos) {
    return std::string();  // not even one element fits
  }
  return std::string(value.substr(0, lastSeparator));
}

void installPathAssignment(Platform& platform, std::string_view assignment) {
  const size_t equals = assignment.find('=');
  const std::string_view name = assignment.substr(0, equals);
  const std::string_view value =
      equals == std::string_view::npos ? std::string_view() : assignment.substr(equals + 1);
  platform.setEnvironmentVariable(std::string(name), pathValueThatFits(value));
}

}  // namespace veltrane
