// The launcher's entry routine.
#ifndef VELTRANE_LAUNCHER_LAUNCH_MAIN_H_
#define VELTRANE_LAUNCHER_LAUNCH_MAIN_H_

#include "platform/platform.h"

namespace veltrane {

// Builds the configuration, installs the PATH, starts the Java VM and waits
// for it. Returns 0 when the VM ended with status 0; otherwise shows the
// failure report and returns 1.
int launchMain(Platform& platform, char* argumentTail);

// The whole life of the process: finds the argument tail in the command
// line, launches, and ends the process with launchMain's status.
void runLauncher(Platform& platform);

}  // namespace veltrane

#endif  // VELTRANE_LAUNCHER_LAUNCH_MAIN_H_
