// What the VM is told of how the app was started, so the taskbar and the
// Start menu take its windows for the app's own.
#ifndef VELTRANE_LAUNCHER_START_INFORMATION_H_
#define VELTRANE_LAUNCHER_START_INFORMATION_H_

#include "platform/platform.h"

namespace veltrane {

// Classic mode tells the VM nothing. App mode and the console launcher pass
// on the shortcut or AppUserModelID the launcher was started with, its
// window state, hot key and pinning rule; started with neither a shortcut
// nor an ID, the VM gets the AppUserModelID the launcher was branded with.
StartInformation vmStartInformation(Platform& platform, LaunchMode mode);

}  // namespace veltrane

#endif  // VELTRANE_LAUNCHER_START_INFORMATION_H_
