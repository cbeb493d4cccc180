// The launcher's entry routine.
#ifndef VELTRANE_LAUNCHER_LAUNCH_MAIN_H_
#define VELTRANE_LAUNCHER_LAUNCH_MAIN_H_

#include <string>
#include <vector>

#include "config/wrapper_configuration.h"
#include "launcher/program_search.h"
#include "platform/platform.h"

namespace veltrane {

// The error number the launch starts with: the reason the configuration
// file could not be read, or none.
int startingErrorNumber(const WrapperConfiguration& configuration);

// The arguments of the child, argument zero first, in the order they are
// joined into its command line.
std::vector<std::string> childArguments(const WrapperConfiguration& configuration);

// How the mode starts the VM: classic mode looks for a bare VM name in the
// current folder first and tells the VM nothing; app mode and the console
// launcher search PATH only and pass on how the launcher was started.
SpawnOptions vmSpawnOptions(Platform& platform, LaunchMode mode);

// Builds the configuration, installs the PATH, starts the Java VM and waits
// for it. Returns 0 when the VM ended with status 0; otherwise shows the
// failure report and returns 1. In app mode, returns the VM's exit status
// once it ran, and reports (returning 1) only a configuration file that
// could not be read or a VM that could not be started.
int launchMain(Platform& platform, char* argumentTail);

// The whole life of the process: finds the argument tail in the command
// line, launches, and ends the process with launchMain's status.
void runLauncher(Platform& platform);

}  // namespace veltrane

#endif  // VELTRANE_LAUNCHER_LAUNCH_MAIN_H_
