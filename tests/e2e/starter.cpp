// Starts a program with an exact application name, command line and current
// directory, waits for it and returns its exit code. The job file named by the
// only argument holds NUL-terminated texts: the application, the command
// line, the current directory, then any number of changes made before the
// start:
//   "NAME=value" sets an environment variable, "NAME" alone removes it;
//   "serve:\\.\pipe\NAME=FILE" serves the file's bytes through that named
//     pipe from a thread, to the first client, and then closes the pipe
//     (the client's next read fails with a broken pipe: the end of the file);
//   "cut:\\.\pipe\NAME=FILE" serves them the same way and then disconnects
//     the client (its next read fails with another error: a read error);
//   "hold:FILE" keeps the file open for writing (others may only read it)
//     while the program runs, as an editor would;
//   "stdout:FILE" reads the program's standard output through a pipe into
//     the file; "stderr:FILE" writes its standard error into the file;
//     "stdin:FILE" reads its standard input from the file (else from NUL);
//   "ctrl-c:FILE" and "ctrl-break:FILE" send that console event once the
//     file exists (the VM's sign that it is ready): Ctrl-Break to the
//     program's own process group, Ctrl-C to the whole console;
//   "startup:FLAGS:SHOW:TITLE" starts it with that STARTUPINFO: dwFlags and
//     wShowWindow in decimal, lpTitle (none when empty).
// With "--utf8" after the job file, the texts are UTF-8 and the program is
// started wide.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

static std::string fileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string{std::istreambuf_iterator<char>(file), {}};
}

struct PipeJob {
  HANDLE pipe;
  std::string bytes;
  bool disconnect;
};

static DWORD WINAPI servePipe(void* argument) {
  PipeJob* job = static_cast<PipeJob*>(argument);
  if (ConnectNamedPipe(job->pipe, nullptr) || GetLastError() == ERROR_PIPE_CONNECTED) {
    // Several writes, so the reader sees the bytes arrive in pieces.
    for (size_t start = 0; start < job->bytes.size(); start += 4096) {
      const DWORD size = static_cast<DWORD>(std::min<size_t>(4096, job->bytes.size() - start));
      DWORD written = 0;
      if (!WriteFile(job->pipe, job->bytes.data() + start, size, &written, nullptr))
        break;
    }
    FlushFileBuffers(job->pipe);  // returns once the client has read everything
    if (job->disconnect) {
      DisconnectNamedPipe(job->pipe);
      Sleep(INFINITE);  // the pipe stays open, the client disconnected
    }
  }
  CloseHandle(job->pipe);  // the reader's next read fails with a broken pipe
  return 0;
}

// What the program's standard handles and console events are to be.
struct Redirection {
  std::string outputFile;  // read through a pipe
  std::string errorFile;
  std::string inputFile;
  std::string readyFile;  // when it appears, the event is sent
  DWORD event = CTRL_C_EVENT;
  bool sendsEvent = false;
};
static Redirection redirection;

// The start-up information the program gets besides its standard handles.
struct StartUp {
  DWORD flags = 0;
  WORD showWindow = 0;
  std::string title;
};
static StartUp startUp;

struct PipeReader {
  HANDLE pipe;
  std::string file;
};

static DWORD WINAPI readPipe(void* argument) {
  PipeReader* reader = static_cast<PipeReader*>(argument);
  std::ofstream out(reader->file, std::ios::binary);
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(reader->pipe, buffer, sizeof buffer, &read, nullptr) && read > 0)
    out.write(buffer, read);
  return 0;
}

static HANDLE inheritable(HANDLE handle) {
  SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
  return handle;
}

// Sets the program's standard handles; returns the thread that reads its
// output, or nullptr.
static HANDLE redirect(STARTUPINFOA* startup) {
  if (redirection.outputFile.empty() && redirection.errorFile.empty() &&
      redirection.inputFile.empty())
    return nullptr;
  startup->dwFlags |= STARTF_USESTDHANDLES;
  const std::string input = redirection.inputFile.empty() ? "NUL" : redirection.inputFile;
  startup->hStdInput = inheritable(CreateFileA(input.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                               nullptr, OPEN_EXISTING, 0, nullptr));
  startup->hStdOutput = startup->hStdError = inheritable(GetStdHandle(STD_ERROR_HANDLE));
  if (!redirection.errorFile.empty())
    startup->hStdError =
        inheritable(CreateFileA(redirection.errorFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                nullptr, CREATE_ALWAYS, 0, nullptr));
  if (redirection.outputFile.empty())
    return nullptr;
  HANDLE readEnd = nullptr;
  CreatePipe(&readEnd, &startup->hStdOutput, nullptr, 0);
  inheritable(startup->hStdOutput);
  return CreateThread(nullptr, 0, readPipe, new PipeReader{readEnd, redirection.outputFile}, 0,
                      nullptr);
}

static void sendEventWhenReady(DWORD processId) {
  const DWORD deadline = GetTickCount() + 20000;
  while (GetFileAttributesA(redirection.readyFile.c_str()) == INVALID_FILE_ATTRIBUTES &&
         GetTickCount() < deadline)
    Sleep(20);
  // Ctrl-C goes to every process of the console: the starter lets it pass.
  SetConsoleCtrlHandler(nullptr, TRUE);
  if (!GenerateConsoleCtrlEvent(redirection.event,
                                redirection.event == CTRL_C_EVENT ? 0 : processId))
    std::fprintf(stderr, "starter: GenerateConsoleCtrlEvent failed with error %lu\n",
                 GetLastError());
}

// Returns false when the change could not be made.
static bool prepare(const std::string& change) {
  const size_t colon = change.find(':');
  const std::string kind = colon == std::string::npos ? "" : change.substr(0, colon);
  const std::string file = colon == std::string::npos ? "" : change.substr(colon + 1);
  if (kind == "stdout" || kind == "stderr" || kind == "stdin") {
    (kind == "stdout"   ? redirection.outputFile
     : kind == "stderr" ? redirection.errorFile
                        : redirection.inputFile) = file;
    return true;
  }
  if (kind == "startup") {
    const size_t second = change.find(':', colon + 1);
    const size_t third = change.find(':', second + 1);
    if (third == std::string::npos)
      return false;
    startUp.flags = std::stoul(change.substr(colon + 1, second - colon - 1));
    startUp.showWindow =
        static_cast<WORD>(std::stoul(change.substr(second + 1, third - second - 1)));
    startUp.title = change.substr(third + 1);
    return true;
  }
  if (kind == "ctrl-c" || kind == "ctrl-break") {
    redirection.readyFile = file;
    redirection.event = kind == "ctrl-c" ? CTRL_C_EVENT : CTRL_BREAK_EVENT;
    redirection.sendsEvent = true;
    return true;
  }
  const size_t equals = change.find('=');
  const bool cut = change.compare(0, 4, "cut:") == 0;
  if ((cut || change.compare(0, 6, "serve:") == 0) && equals != std::string::npos) {
    const size_t nameStart = cut ? 4 : 6;
    const std::string name = change.substr(nameStart, equals - nameStart);
    HANDLE pipe = CreateNamedPipeA(name.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT,
                                   1, 4096, 0, 0, nullptr);
    if (pipe == INVALID_HANDLE_VALUE)
      return false;
    // The job and the thread live as long as this process.
    HANDLE thread =
        CreateThread(nullptr, 0, servePipe,
                     new PipeJob{pipe, fileBytes(change.substr(equals + 1)), cut}, 0, nullptr);
    return thread != nullptr;
  }
  if (change.compare(0, 5, "hold:") == 0) {
    // Left open until this process ends.
    return CreateFileA(change.c_str() + 5, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr) != INVALID_HANDLE_VALUE;
  }
  const std::string name = change.substr(0, equals);
  SetEnvironmentVariableA(name.c_str(),
                          equals == std::string::npos ? nullptr : change.c_str() + equals + 1);
  return true;
}

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
  const std::string job = fileBytes(argv[1]);
  std::vector<std::string> fields;
  for (size_t start = 0; start < job.size(); start = job.find('\0', start) + 1) {
    fields.push_back(job.c_str() + start);
  }
  if (fields.size() < 3)
    return 101;

  for (size_t i = 3; i < fields.size(); ++i) {
    if (!prepare(fields[i])) {
      std::fprintf(stderr, "starter: %s failed with error %lu\n", fields[i].c_str(),
                   GetLastError());
      return 104;
    }
  }

  // Console events need a console that the program shares: Wine gives a
  // program started without a terminal none of its own.
  if (redirection.sendsEvent && GetConsoleWindow() == nullptr) {
    FreeConsole();
    AllocConsole();
  }
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = startUp.flags;
  startup.wShowWindow = startUp.showWindow;
  startup.lpTitle = startUp.title.empty() ? nullptr : startUp.title.data();
  const HANDLE outputReader = redirect(&startup);
  const BOOL inherit = (startup.dwFlags & STARTF_USESTDHANDLES) != 0;
  const DWORD group = redirection.event == CTRL_BREAK_EVENT ? CREATE_NEW_PROCESS_GROUP : 0;
  PROCESS_INFORMATION process = {};
  const BOOL started =
      utf8 ? startWide(fields, &process)
           : CreateProcessA(fields[0].c_str(), fields[1].data(), nullptr, nullptr, inherit, group,
                            nullptr, fields[2].c_str(), &startup, &process);
  if (!started) {
    std::fprintf(stderr, "starter: CreateProcessA failed with error %lu\n", GetLastError());
    return 102;
  }
  if (outputReader != nullptr) {
    // Only the program and its children hold the pipe's writing end now: it
    // ends when they do.
    CloseHandle(startup.hStdOutput);
  }
  if (redirection.sendsEvent)
    sendEventWhenReady(process.dwProcessId);
  WaitForSingleObject(process.hProcess, INFINITE);
  if (outputReader != nullptr)
    WaitForSingleObject(outputReader, 10000);
  DWORD exitCode = 103;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(exitCode);
}
