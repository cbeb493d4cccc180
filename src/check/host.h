// What differs between the systems the checker runs on. One implementation
// per system: win32_host.cpp and posix_host.cpp.
#ifndef VELTRANE_CHECK_HOST_H_
#define VELTRANE_CHECK_HOST_H_

#include <memory>

#include "check/byte_scan.h"
#include "check/host_facts.h"
#include "platform/platform.h"

namespace veltrane::check {

// The platform that reads this system's files, directories and environment
// as a launcher running in the code page would.
std::unique_ptr<Platform> makeHostPlatform(CodePage codePage);
HostFacts hostFacts();
// Whether --run can start the VM here: on Windows only.
bool canRunHere();
// Makes the console show the text as the launcher's code page means it.
void prepareConsole(CodePage codePage);

}  // namespace veltrane::check

#endif  // VELTRANE_CHECK_HOST_H_
