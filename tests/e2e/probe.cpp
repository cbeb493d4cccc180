// Stands in for javaw.exe. Records what the launcher handed over into
// <own path without extension>.record, as NUL-terminated texts: the
// command line, the inherited PATH, the current directory (all three in the
// ANSI code page), the wide command line in UTF-8, then what GetStartupInfo
// returns (its flags and wShowWindow in decimal, its title between them),
// then the arguments as the C runtime splits them, argv[0] first. Writes the bytes of
// <stem>.out, if there is one, to its standard output, and with a
// <stem>.echo file copies its standard input there too. With a <stem>.wait
// file it then waits for Ctrl-C or Ctrl-Break, as a VM's shutdown hook
// would: it writes the event's number to <stem>.event and, a second later,
// exits with 130 (its sign that it is ready is <stem>.ready; after 20 s
// without an event it exits with 122). Exits with the number in
// <stem>.status, or 0 when there is none.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

static std::string environmentValue(const char* name) {
  std::string value(GetEnvironmentVariableA(name, nullptr, 0), '\0');
  value.resize(GetEnvironmentVariableA(name, value.data(), static_cast<DWORD>(value.size())));
  return value;
}

static std::string currentDirectory() {
  std::string value(GetCurrentDirectoryA(0, nullptr), '\0');
  value.resize(GetCurrentDirectoryA(static_cast<DWORD>(value.size()), value.data()));
  return value;
}

static std::string utf8FromWide(const wchar_t* text) {
  std::string value(WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, value.data(), static_cast<int>(value.size()), nullptr,
                      nullptr);
  value.resize(value.size() - 1);  // the terminating NUL
  return value;
}

static std::wstring stem;

static BOOL WINAPI onConsoleEvent(DWORD event) {
  if (FILE* record = _wfopen((stem + L".event").c_str(), L"wb")) {
    std::fprintf(record, "%lu", event);
    std::fclose(record);
  }
  Sleep(1000);  // a shutdown hook at work: the launcher must wait for it
  ExitProcess(130);
}

static bool exists(const wchar_t* ending) {
  return GetFileAttributesW((stem + ending).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Copies <stem>.out (and, when asked, standard input) to standard output,
// then waits for a console event when
// asked to.
static void echoAndWait() {
  if (FILE* out = _wfopen((stem + L".out").c_str(), L"rb")) {
    char buffer[4096];
    DWORD written = 0;
    for (size_t read; (read = std::fread(buffer, 1, sizeof buffer, out)) > 0;)
      WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), buffer, static_cast<DWORD>(read), &written,
                nullptr);
    std::fclose(out);
  }
  if (exists(L".echo")) {
    char buffer[4096];
    DWORD read = 0;
    DWORD written = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &read, nullptr) &&
           read > 0)
      WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), buffer, read, &written, nullptr);
  }
  if (!exists(L".wait"))
    return;
  SetConsoleCtrlHandler(onConsoleEvent, TRUE);
  std::fclose(_wfopen((stem + L".ready").c_str(), L"wb"));
  Sleep(20000);
  ExitProcess(122);
}

int main(int argc, char** argv) {
  // Its own path is read wide, so it finds its files in any folder.
  wchar_t ownPath[MAX_PATH];
  stem.assign(ownPath, GetModuleFileNameW(nullptr, ownPath, MAX_PATH));
  stem.resize(stem.rfind(L'.'));

  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  GetStartupInfoA(&startup);
  std::vector<std::string> fields = {GetCommandLineA(),
                                     environmentValue("PATH"),
                                     currentDirectory(),
                                     utf8FromWide(GetCommandLineW()),
                                     std::to_string(startup.dwFlags),
                                     startup.lpTitle == nullptr ? "" : startup.lpTitle,
                                     std::to_string(startup.wShowWindow)};
  fields.insert(fields.end(), argv, argv + argc);
  FILE* record = _wfopen((stem + L".record").c_str(), L"wb");
  if (record == nullptr)
    return 120;
  for (const std::string& field : fields)
    std::fwrite(field.c_str(), 1, field.size() + 1, record);
  std::fclose(record);
  echoAndWait();

  int status = 0;
  if (FILE* statusFile = _wfopen((stem + L".status").c_str(), L"r")) {
    if (std::fscanf(statusFile, "%d", &status) != 1)
      status = 121;
    std::fclose(statusFile);
  }
  return status;
}
