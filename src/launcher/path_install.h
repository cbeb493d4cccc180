// Installs the PATH assignment for the launcher and the child it starts.
#ifndef VELTRANE_LAUNCHER_PATH_INSTALL_H_
#define VELTRANE_LAUNCHER_PATH_INSTALL_H_

#include <string>
#include <string_view>

#include "platform/platform.h"

namespace veltrane {

// The longest value an environment variable can hold.
constexpr size_t kMaxEnvironmentValue = 32766;

// The value cut to at most kMaxEnvironmentValue characters at the end of
// its last whole ";"-separated element that fits, so the directories in
// front (the configured ones) are kept and only the tail is dropped.
std::string pathValueThatFits(std::string_view value);

// Sets the variable that a "name=value" assignment names; the child started
// afterwards inherits it. A refusal is ignored: the launch goes on.
void installPathAssignment(Platform& platform, std::string_view assignment);

}  // namespace veltrane

#endif  // VELTRANE_LAUNCHER_PATH_INSTALL_H_
