// The console launcher's entry point: a console-subsystem program, so a
// command-line app shares its caller's console, pipes and files.
#include <windows.h>

#include "launcher/console_events.h"
#include "launcher/launch_main.h"
#include "launcher/memory_exhaustion.h"
#include "platform/win32_console_platform.h"

namespace {

BOOL WINAPI onConsoleEvent(DWORD event) {
  return veltrane::launcherIgnoresConsoleEvent(event) ? TRUE : FALSE;
}

}  // namespace

int main() {
  // A handler, not the ignore flag: the flag would be inherited by the VM,
  // which must still get Ctrl-C.
  SetConsoleCtrlHandler(onConsoleEvent, TRUE);
  veltrane::Win32ConsolePlatform platform;
  veltrane::prepareForMemoryExhaustion(platform);
  veltrane::runLauncher(platform);
  return 1;  // not reached: runLauncher ends the process
}
