// The Windows platform for a launcher that runs in the UTF-8 code page: the
// checker itself runs in the system's ANSI code page, so it hands the
// configuration's UTF-8 texts to the wide API as the UTF-8 launcher's ANSI
// calls would.
#ifndef VELTRANE_CHECK_WIN32_UTF8_PLATFORM_H_
#define VELTRANE_CHECK_WIN32_UTF8_PLATFORM_H_

#include <memory>

#include "platform/platform.h"

namespace veltrane::check {

std::unique_ptr<Platform> makeUtf8Win32Platform();

}  // namespace veltrane::check

#endif  // VELTRANE_CHECK_WIN32_UTF8_PLATFORM_H_
