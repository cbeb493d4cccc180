#include "check/win32_utf8_platform.h"

#include <windows.h>

#include <string>

#include "platform/win32_handle.h"
#include "platform/win32_platform.h"

namespace veltrane::check {

namespace {

std::wstring wide(const std::string& text) {
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  std::wstring result(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), size, result.data(), length);
  return result;
}

class Utf8Win32Platform final : public Win32Platform {
 public:
  bool getEnvironmentVariable(const std::string& name, std::string* value) override;
  bool setEnvironmentVariable(const std::string& name, const std::string& value) override {
    return SetEnvironmentVariableW(wide(name).c_str(), wide(value).c_str()) != FALSE;
  }
  bool findFiles(const std::string& pattern, std::vector<DirectoryEntry>* entries) override;
  FileAttributes fileAttributes(const std::string& path) override;
  bool readFile(const std::string& path, ByteSink& sink, SystemError* error) override;
  ProcessOutcome runProcess(const std::string& application, const std::string& commandLine,
                            const StartInformation& startup) override;
};

bool Utf8Win32Platform::getEnvironmentVariable(const std::string& name, std::string* value) {
  const std::wstring wideName = wide(name);
  std::wstring buffer(256, L'\0');
  while (true) {
    SetLastError(ERROR_SUCCESS);
    const DWORD length =
        GetEnvironmentVariableW(wideName.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) {
      value->clear();
      return GetLastError() != ERROR_ENVVAR_NOT_FOUND;
    }
    if (length < buffer.size()) {
      *value = narrowFromWide(CP_UTF8, buffer.substr(0, length));
      return true;
    }
    buffer.resize(length);  // length counts the terminating NUL here
  }
}

bool Utf8Win32Platform::findFiles(const std::string& pattern,
                                  std::vector<DirectoryEntry>* entries) {
  WIN32_FIND_DATAW entry;
  const UniqueHandle search(FindFirstFileW(wide(pattern).c_str(), &entry), FindClose);
  if (!search.valid()) {
    return false;
  }
  do {
    entries->push_back({narrowFromWide(CP_UTF8, entry.cFileName), entry.dwFileAttributes});
  } while (FindNextFileW(search.get(), &entry) != FALSE);
  return true;
}

FileAttributes Utf8Win32Platform::fileAttributes(const std::string& path) {
  FileAttributes attributes;
  const DWORD bits = GetFileAttributesW(wide(path).c_str());
  if (bits == INVALID_FILE_ATTRIBUTES) {
    attributes.error = GetLastError();
    return attributes;
  }
  attributes.found = true;
  attributes.bits = bits;
  return attributes;
}

bool Utf8Win32Platform::readFile(const std::string& path, ByteSink& sink, SystemError* error) {
  return readOpenedFile(
      CreateFileW(wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr),
      sink, error);
}

// The check runs the VM on its own, so it tells the VM nothing of how the
// check was started.
ProcessOutcome Utf8Win32Platform::runProcess(const std::string& application,
                                             const std::string& commandLine,
                                             const StartInformation& /*startup*/) {
  ProcessOutcome outcome;
  std::wstring writableCommandLine = wide(commandLine);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (CreateProcessW(wide(application).c_str(), writableCommandLine.data(), nullptr, nullptr, TRUE,
                     0, nullptr, nullptr, &startup, &process) == FALSE) {
    outcome.error = GetLastError();
    return outcome;
  }
  return waitForProcess(process);
}

}  // namespace

std::unique_ptr<Platform> makeUtf8Win32Platform() {
  return std::make_unique<Utf8Win32Platform>();
}

}  // namespace veltrane::check
