// Stands in for javaw.exe. Records what the launcher handed over into
// <own path without extension>.record, as three NUL-terminated texts: the
// command line, the inherited PATH and the current directory. Exits with the
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

int main() {
  char ownPath[MAX_PATH];
  std::string stem(ownPath, GetModuleFileNameA(nullptr, ownPath, MAX_PATH));
  stem.resize(stem.rfind('.'));

  const std::string fields[] = {GetCommandLineA(), environmentValue("PATH"), currentDirectory()};
  FILE* record = std::fopen((stem + ".record").c_str(), "wb");
  if (record == nullptr)
    return 120;
  for (const std::string& field : fields)
    std::fwrite(field.c_str(), 1, field.size() + 1, record);
  std::fclose(record);

  int status = 0;
  if (FILE* statusFile = std::fopen((stem + ".status").c_str(), "r")) {
    if (std::fscanf(statusFile, "%d", &status) != 1)
      status = 121;
    std::fclose(statusFile);
  }
  return status;
}
