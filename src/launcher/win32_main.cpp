// The Windows entry point: a GUI-subsystem program, so no console appears.
#include <windows.h>

#include "launcher/launch_main.h"
#include "launcher/memory_exhaustion.h"
#include "platform/win32_platform.h"

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*arguments*/,
                   int /*show*/) {
  veltrane::Win32Platform platform;
  veltrane::prepareForMemoryExhaustion(platform);
  veltrane::runLauncher(platform);
  return 1;  // not reached: runLauncher ends the process
}
