// Stands in for javaw.exe. Records what the launcher handed over into
// <own path without extension>.record, as four NUL-terminated texts: the
// command line, the inherited PATH, the current directory (all three in the
// ANSI code page) and the wide command line in UTF-8. Exits with the
// number in <own path without extension>.status, or 0 when there is none.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

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

int main() {
  // Its own path is read wide, so it finds its files in any folder.
  wchar_t ownPath[MAX_PATH];
  std::wstring stem(ownPath, GetModuleFileNameW(nullptr, ownPath, MAX_PATH));
  stem.resize(stem.rfind(L'.'));

  const std::string fields[] = {GetCommandLineA(), environmentValue("PATH"), currentDirectory(),
                                utf8FromWide(GetCommandLineW())};
  FILE* record = _wfopen((stem + L".record").c_str(), L"wb");
  if (record == nullptr)
    return 120;
  for (const std::string& field : fields)
    std::fwrite(field.c_str(), 1, field.size() + 1, record);
  std::fclose(record);

  int status = 0;
  if (FILE* statusFile = _wfopen((stem + L".status").c_str(), L"r")) {
    if (std::fscanf(statusFile, "%d", &status) != 1)
      status = 121;
    std::fclose(statusFile);
  }
  return status;
}
