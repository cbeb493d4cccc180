// Starts a program with an exact application name, command line and current
// directory, waits for it and returns its exit code. The job file named by the
// only argument holds NUL-terminated texts: the application, the command
// line, the current directory, then any number of environment changes,
// "NAME=value" to set a variable and "NAME" alone to remove it. With "--utf8"
// after the job file, the texts are UTF-8 and the program is started wide.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

static std::wstring wideFromUtf8(const std::string& text) {
  std::wstring value(MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, value.data(), static_cast<int>(value.size()));
  return value;  // NUL-terminated within its size, as CreateProcessW may write into it
}

static BOOL startWide(const std::vector<std::string>& fields, PROCESS_INFORMATION* process) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  std::wstring commandLine = wideFromUtf8(fields[1]);
  return CreateProcessW(wideFromUtf8(fields[0]).c_str(), commandLine.data(), nullptr, nullptr,
                        FALSE, 0, nullptr, wideFromUtf8(fields[2]).c_str(), &startup, process);
}

int main(int argc, char** argv) {
  const bool utf8 = argc == 3 && std::string(argv[2]) == "--utf8";
  if (argc != 2 && !utf8)
    return 100;
  std::ifstream jobFile(argv[1], std::ios::binary);
  const std::string job{std::istreambuf_iterator<char>(jobFile), {}};
  std::vector<std::string> fields;
  for (size_t start = 0; start < job.size(); start = job.find('\0', start) + 1) {
    fields.push_back(job.c_str() + start);
  }
  if (fields.size() < 3)
    return 101;

  for (size_t i = 3; i < fields.size(); ++i) {
    const size_t equals = fields[i].find('=');
    const std::string name = fields[i].substr(0, equals);
    SetEnvironmentVariableA(name.c_str(),
                            equals == std::string::npos ? nullptr : fields[i].c_str() + equals + 1);
  }

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  const BOOL started =
      utf8 ? startWide(fields, &process)
           : CreateProcessA(fields[0].c_str(), fields[1].data(), nullptr, nullptr, FALSE, 0,
                            nullptr, fields[2].c_str(), &startup, &process);
  if (!started) {
    std::fprintf(stderr, "starter: CreateProcessA failed with error %lu\n", GetLastError());
    return 102;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exitCode = 103;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(exitCode);
}
