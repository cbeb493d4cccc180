// Handle ownership and the waits and reads that the Win32 platform
// implementations share, whichever character set they call Windows in.
#ifndef VELTRANE_PLATFORM_WIN32_HANDLE_H_
#define VELTRANE_PLATFORM_WIN32_HANDLE_H_

#include <windows.h>

#include <string>
#include <vector>

#include "platform/platform.h"

namespace veltrane {

// Owns a handle and releases it on every path: kernel handles with
// CloseHandle, directory searches with FindClose.
class UniqueHandle {
 public:
  using Release = BOOL(WINAPI*)(HANDLE);

  explicit UniqueHandle(HANDLE handle, Release release = CloseHandle)
      : handle_(handle), release_(release) {}
  ~UniqueHandle() {
    if (valid()) {
      release_(handle_);
    }
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
  Release release_;
};

// UTF-16 text converted to the code page (CP_ACP, CP_UTF8, ...).
std::string narrowFromWide(UINT codePage, const std::wstring& text);

// Text in the ANSI code page as UTF-16 with a terminating NUL, for the wide
// message box (the ANSI one cannot show a text of more than 32,767
// characters) and the console.
std::vector<wchar_t> wideFromAnsi(const std::string& text);

// Takes over a file handle that was just opened (INVALID_HANDLE_VALUE when
// the open failed, its error still the last one) and reads the file as
// Platform::readFile does: in pieces of a fixed size handed to the sink.
bool readOpenedFile(HANDLE opened, ByteSink& sink, SystemError* error);

// Waits without a time limit for a process that was just created, closes
// its handles, and gives its exit code (-1 when the wait or the query fails).
ProcessOutcome waitForProcess(const PROCESS_INFORMATION& process);

}  // namespace veltrane

#endif  // VELTRANE_PLATFORM_WIN32_HANDLE_H_
