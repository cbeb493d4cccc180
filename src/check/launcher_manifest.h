// Reads the code page a launcher runs in from the manifest in its resources,
// and its launch mode from its string table and its subsystem.
#ifndef VELTRANE_CHECK_LAUNCHER_MANIFEST_H_
#define VELTRANE_CHECK_LAUNCHER_MANIFEST_H_

#include <optional>
#include <string>
#include <string_view>

#include "check/byte_scan.h"
#include "platform/platform.h"

namespace veltrane::check {

// The text of the application manifest (resource type 24, id 1) of a
// Windows program image; empty when it has none. Empty optional when the
// bytes are no program image.
std::optional<std::string> manifestOf(std::string_view image);

// UTF-8 when the manifest holds an activeCodePage element of "UTF-8",
// otherwise ANSI.
CodePage codePageOfManifest(std::string_view manifest);

// The launch mode of a program image: console for a console program, app
// when string 2 of its language-neutral string table is "app", otherwise
// classic. Empty when the bytes are no program image.
std::optional<LaunchMode> modeOf(std::string_view image);

// The launcher's launch mode; empty when its file cannot be read or is no
// program.
std::optional<LaunchMode> launcherMode(Platform& system, const std::string& path);

// The launcher's code page; empty when its file cannot be read or is no
// program.
std::optional<CodePage> launcherCodePage(Platform& system, const std::string& path);

}  // namespace veltrane::check

#endif  // VELTRANE_CHECK_LAUNCHER_MANIFEST_H_
