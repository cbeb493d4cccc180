// What app mode adds to the configuration phase: the configuration file
// beside the running exe, and values that name the exe's folder and the
// environment.
#ifndef VELTRANE_CONFIG_APP_MODE_H_
#define VELTRANE_CONFIG_APP_MODE_H_

#include <string>
#include <string_view>

#include "platform/platform.h"

namespace veltrane {

// The program's path with its extension, whatever its case, replaced by
// ".config" ("C:\Apps\ACMEDRAW.EXE" gives "C:\Apps\ACMEDRAW.config"); a
// name without an extension gets ".config" appended.
std::string configPathOfProgram(std::string_view programPath);

// The folder that holds the program, without a trailing backslash, except
// at a drive's root ("C:\"), since "C:" alone names the drive's current
// folder.
std::string programFolder(std::string_view programPath);

// The value with every %EXEDIR% replaced by the program's folder and every
// %NAME% by the value of environment variable NAME (names compared ignoring
// case, as Windows does). A %NAME% that is not defined stays as written;
// what a replacement brings in is not expanded again. A replacement that
// ends in backslashes right before a double quote has them doubled, so the
// quote still ends the argument on the VM's command line; a root folder's
// backslash is not doubled by one the value writes after %EXEDIR%. Of the expanded text
// at most limit characters are kept; the others are counted in dropped, so
// many references to a long variable cannot take all memory.
std::string expandValue(Platform& platform, std::string_view value, std::string_view exeFolder,
                        size_t limit, size_t& dropped);

}  // namespace veltrane

#endif  // VELTRANE_CONFIG_APP_MODE_H_
