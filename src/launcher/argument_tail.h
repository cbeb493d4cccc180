// Finds where the launcher's own arguments start in its command line.
#ifndef VELTRANE_LAUNCHER_ARGUMENT_TAIL_H_
#define VELTRANE_LAUNCHER_ARGUMENT_TAIL_H_

#include "platform/platform.h"

namespace veltrane {

// The part of the command line after the program name and the blanks that
// follow it. It points into commandLine, not at a copy, so a NUL written
// into it shows in the command line as well.
char* argumentTail(char* commandLine, Platform& platform);

}  // namespace veltrane

#endif  // VELTRANE_LAUNCHER_ARGUMENT_TAIL_H_
