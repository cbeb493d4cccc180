// The platform of the console launcher: app mode for command-line apps, its
// report written to standard error instead of a message box.
#ifndef VELTRANE_PLATFORM_WIN32_CONSOLE_PLATFORM_H_
#define VELTRANE_PLATFORM_WIN32_CONSOLE_PLATFORM_H_

#include "platform/win32_platform.h"

namespace veltrane {

class Win32ConsolePlatform : public Win32Platform {
 public:
  LaunchMode launchMode() override;
  void showMessage(const std::string& text, const std::string& caption) override;
};

}  // namespace veltrane

#endif  // VELTRANE_PLATFORM_WIN32_CONSOLE_PLATFORM_H_
