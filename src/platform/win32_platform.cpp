#include "platform/win32_platform.h"

#include <windows.h>

#include <cstdlib>

#include "platform/win32_handle.h"

namespace veltrane {

namespace {

// Branding writes the product name as string 1, the launch mode as string 2
// and the AppUserModelID as string 3 of the program's own language-neutral
// string table.
constexpr unsigned kProductNameId = 1;
constexpr unsigned kLaunchModeId = 2;
constexpr unsigned kAppUserModelIdId = 3;

// A string of the program's own string table, or an empty text when there
// is none. Read through kernel32 alone, so neither the report nor the start
// needs USER32 for it.
std::wstring stringResource(unsigned id) {
  constexpr WORD kStringTableType = 6;  // RT_STRING, named here in its wide form
  // Strings are stored in blocks of 16, each a length and that many UTF-16 units.
  HRSRC found =
      FindResourceExW(nullptr, MAKEINTRESOURCEW(kStringTableType), MAKEINTRESOURCEW(id / 16 + 1),
                      MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
  HGLOBAL loaded = found == nullptr ? nullptr : LoadResource(nullptr, found);
  const auto* units = static_cast<const WCHAR*>(loaded == nullptr ? nullptr : LockResource(loaded));
  if (units == nullptr) {
    return std::wstring();
  }
  const size_t count = SizeofResource(nullptr, found) / sizeof(WCHAR);
  size_t at = 0;
  for (unsigned index = 0; index < id % 16 && at < count; ++index) {
    at += 1 + units[at];
  }
  if (at >= count || units[at] > count - at - 1) {
    return std::wstring();  // a damaged table: no text rather than a wrong one
  }
  return std::wstring(units + at + 1, units[at]);
}

}  // namespace

std::vector<wchar_t> wideFromAnsi(const std::string& text) {
  const int size = static_cast<int>(text.size());
  const int length = size == 0 ? 0 : MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  std::vector<wchar_t> wide(static_cast<size_t>(length) + 1, L'\0');
  if (length > 0) {
    MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), length);
  }
  return wide;
}

LaunchMode Win32Platform::launchMode() {
  // Anything but "app" is classic: an unbranded launcher behaves as it always has.
  return stringResource(kLaunchModeId) == L"app" ? LaunchMode::kApp : LaunchMode::kClassic;
}

StartInformation Win32Platform::startInformation() {
  STARTUPINFOA own = {};
  own.cb = sizeof(own);
  GetStartupInfoA(&own);
  StartInformation startup;
  startup.flags = own.dwFlags;
  startup.title = own.lpTitle == nullptr ? "" : own.lpTitle;
  startup.showWindow = own.wShowWindow;
  // The hot key shares its field with the standard input's handle.
  startup.hotKey =
      (own.dwFlags & STARTF_USEHOTKEY) != 0 ? reinterpret_cast<std::uintptr_t>(own.hStdInput) : 0;
  return startup;
}

std::string Win32Platform::appUserModelId() {
  return narrowFromWide(CP_ACP, stringResource(kAppUserModelIdId));
}

std::string Win32Platform::programPath() {
  // The buffer grows until the whole path fits: a long path is never cut.
  std::string path(MAX_PATH, '\0');
  while (true) {
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

char* Win32Platform::commandLine() {
  return GetCommandLineA();
}

bool Win32Platform::isLeadByte(unsigned char byte) {
  return IsDBCSLeadByte(byte) != FALSE;
}

bool Win32Platform::ansiCodePageIsUtf8() {
  return GetACP() == CP_UTF8;
}

bool Win32Platform::getEnvironmentVariable(const std::string& name, std::string* value) {
  // The value may grow between the two calls; ask again until it fits.
  std::string buffer(256, '\0');
  while (true) {
    SetLastError(ERROR_SUCCESS);
    const DWORD length =
        GetEnvironmentVariableA(name.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) {
      value->clear();
      return GetLastError() != ERROR_ENVVAR_NOT_FOUND;
    }
    if (length < buffer.size()) {
      value->assign(buffer.data(), length);
      return true;
    }
    buffer.resize(length);  // length counts the terminating NUL here
  }
}

bool Win32Platform::setEnvironmentVariable(const std::string& name, const std::string& value) {
  return SetEnvironmentVariableA(name.c_str(), value.c_str()) != FALSE;
}

bool Win32Platform::findFiles(const std::string& pattern, std::vector<DirectoryEntry>* entries) {
  WIN32_FIND_DATAA entry;
  UniqueHandle search(FindFirstFileA(pattern.c_str(), &entry), FindClose);
  if (!search.valid()) {
    return false;
  }
  do {
    entries->push_back({entry.cFileName, entry.dwFileAttributes});
  } while (FindNextFileA(search.get(), &entry) != FALSE);
  return true;
}

FileAttributes Win32Platform::fileAttributes(const std::string& path) {
  FileAttributes attributes;
  const DWORD bits = GetFileAttributesA(path.c_str());
  if (bits == INVALID_FILE_ATTRIBUTES) {
    attributes.error = GetLastError();
    return attributes;
  }
  attributes.found = true;
  attributes.bits = bits;
  return attributes;
}

std::string narrowFromWide(UINT codePage, const std::wstring& text) {
  const int size = static_cast<int>(text.size());
  const int length =
      WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), size, narrow.data(), length, nullptr, nullptr);
  return narrow;
}

bool readOpenedFile(HANDLE opened, ByteSink& sink, SystemError* error) {
  const UniqueHandle file(opened);
  if (!file.valid()) {
    *error = GetLastError();
    return false;
  }
  char piece[16 * 1024];
  DWORD read = 0;
  while (ReadFile(file.get(), piece, sizeof(piece), &read, nullptr) != FALSE) {
    if (read == 0) {
      *error = 0;
      return true;
    }
    sink.consume(std::string_view(piece, read));
  }
  *error = GetLastError();
  return true;
}

ProcessOutcome waitForProcess(const PROCESS_INFORMATION& process) {
  UniqueHandle processHandle(process.hProcess);
  UniqueHandle threadHandle(process.hThread);
  ProcessOutcome outcome;
  outcome.started = true;
  DWORD exitCode = 0;
  if (WaitForSingleObject(processHandle.get(), INFINITE) != WAIT_OBJECT_0 ||
      GetExitCodeProcess(processHandle.get(), &exitCode) == FALSE) {
    exitCode = static_cast<DWORD>(-1);  // the outcome is unknown: not a success
  }
  outcome.exitCode = exitCode;
  return outcome;
}

bool Win32Platform::readFile(const std::string& path, ByteSink& sink, SystemError* error) {
  return readOpenedFile(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr),
                        sink, error);
}

ProcessOutcome Win32Platform::runProcess(const std::string& application,
                                         const std::string& commandLine,
                                         const StartInformation& startup) {
  ProcessOutcome outcome;
  // CreateProcessA may write into the command line, so it gets a copy, and
  // into the title too, so that is one as well.
  std::string writableCommandLine = commandLine;
  std::string title = startup.title;
  STARTUPINFOA information = {};
  information.cb = sizeof(information);
  information.dwFlags = startup.flags;
  information.lpTitle = title.empty() ? nullptr : title.data();
  information.wShowWindow = startup.showWindow;
  // Never with STARTF_USESTDHANDLES: the child inherits the standard
  // handles as it always did, and this field holds only the hot key.
  information.hStdInput =
      reinterpret_cast<HANDLE>(  // NOLINT(performance-no-int-to-ptr): the hot key's field
          static_cast<std::uintptr_t>(startup.hotKey));
  PROCESS_INFORMATION process = {};
  if (CreateProcessA(application.c_str(), writableCommandLine.data(), nullptr, nullptr, TRUE, 0,
                     nullptr, nullptr, &information, &process) == FALSE) {
    outcome.error = GetLastError();
    return outcome;
  }
  return waitForProcess(process);
}

std::string Win32Platform::applicationName() {
  const std::wstring branded = stringResource(kProductNameId);
  if (branded.empty()) {
    return "Veltrane";
  }
  // The report is built from ANSI texts.
  return narrowFromWide(CP_ACP, branded);
}

void Win32Platform::showMessage(const std::string& text, const std::string& caption) {
  // USER32 is loaded only here: a launch that needs no report starts without
  // the cost of loading the user-interface libraries.
  using MessageBoxFunction = int(WINAPI*)(HWND, LPCWSTR, LPCWSTR, UINT);
  const HMODULE user32 = LoadLibraryW(L"user32.dll");
  if (user32 == nullptr) {
    return;
  }
  // Through the generic function type, which converts to any other.
  const auto messageBox = reinterpret_cast<MessageBoxFunction>(
      reinterpret_cast<void (*)()>(GetProcAddress(user32, "MessageBoxW")));
  if (messageBox != nullptr) {
    messageBox(nullptr, wideFromAnsi(text).data(), wideFromAnsi(caption).data(), MB_OK);
  }
}

void Win32Platform::exitProcess(int status) {
  std::exit(status);  // runs exit handlers and flushes streams first
}

}  // namespace veltrane
