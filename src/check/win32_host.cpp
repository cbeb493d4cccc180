// The checker on Windows: the launcher's own platform reads the files and
// the environment, exactly as the launcher will.
#include <windows.h>

#include <string>

#include "check/host.h"
#include "check/win32_utf8_platform.h"
#include "platform/win32_platform.h"

namespace veltrane::check {

std::unique_ptr<Platform> makeHostPlatform(CodePage codePage) {
  if (codePage == CodePage::kUtf8) {
    return makeUtf8Win32Platform();
  }
  return std::make_unique<Win32Platform>();
}

HostFacts hostFacts() {
  std::string directory(GetCurrentDirectoryA(0, nullptr), '\0');
  directory.resize(GetCurrentDirectoryA(static_cast<DWORD>(directory.size()), directory.data()));
  return HostFacts{directory, true};
}

bool canRunHere() {
  return true;
}

void prepareConsole(CodePage codePage) {
  // The report holds the configuration's bytes, in the launcher's code page;
  // a console shows the OEM one unless told otherwise.
  SetConsoleOutputCP(codePage == CodePage::kUtf8 ? CP_UTF8 : GetACP());
}

}  // namespace veltrane::check
