#include "platform/win32_console_platform.h"

#include <windows.h>

#include "platform/win32_handle.h"

namespace veltrane {

LaunchMode Win32ConsolePlatform::launchMode() {
  return LaunchMode::kConsole;  // whatever it was branded with
}

// The report's lines end as a console program's text lines do, with CR LF.
// A console shows the ANSI text through the wide API, so letters outside
// the console's own code page show as the launcher read them; a pipe or a
// file gets the ANSI bytes.
void Win32ConsolePlatform::showMessage(const std::string& text, const std::string& /*caption*/) {
  std::string lines;
  for (const char c : text) {
    if (c == '\n') {
      lines += '\r';
    }
    lines += c;
  }
  lines += "\r\n";
  HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode = 0;
  DWORD written = 0;
  if (GetConsoleMode(error, &mode) != FALSE) {
    const std::vector<wchar_t> wide = wideFromAnsi(lines);
    WriteConsoleW(error, wide.data(), static_cast<DWORD>(wide.size() - 1), &written, nullptr);
    return;
  }
  WriteFile(error, lines.data(), static_cast<DWORD>(lines.size()), &written, nullptr);
}

}  // namespace veltrane
