// The launcher's one seam to the operating system. Everything the launcher
// asks of Windows goes through this interface, so the portable code above it
// can be run against an in-memory fake in the unit tests.
#ifndef VELTRANE_PLATFORM_PLATFORM_H_
#define VELTRANE_PLATFORM_PLATFORM_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace veltrane {

// A Windows system error code (the value of GetLastError).
using SystemError = std::uint32_t;

// System error codes the portable code needs to recognise by value.
constexpr SystemError kErrorFileNotFound = 2;
constexpr SystemError kErrorPathNotFound = 3;
constexpr SystemError kErrorAccessDenied = 5;
constexpr SystemError kErrorNotReady = 21;
constexpr SystemError kErrorBrokenPipe = 109;
constexpr SystemError kErrorBadExeFormat = 193;

// File attribute bit of a directory.
constexpr std::uint32_t kAttributeDirectory = 0x10;

// The result of a file attribute query: the attribute bits, or the system
// error when the query failed.
struct FileAttributes {
  bool found = false;
  std::uint32_t bits = 0;
  SystemError error = 0;
};

// One entry of a directory listing: its name and its attribute bits.
struct DirectoryEntry {
  std::string name;
  std::uint32_t attributes = 0;
};

// Receives a file's bytes piece by piece, in order, as they are read.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual void consume(std::string_view bytes) = 0;
};

// The result of starting a program and waiting for it: its exit code, or the
// system error when it could not be started.
struct ProcessOutcome {
  bool started = false;
  std::uint32_t exitCode = 0;
  SystemError error = 0;
};

// What a program is told of how it was started, as far as the shell fills
// it in from a shortcut: the STARTUPINFO flags below, the title they speak
// of, the window state and the hot key.
constexpr std::uint32_t kStartUseShowWindow = 0x1;
constexpr std::uint32_t kStartUseHotKey = 0x200;
constexpr std::uint32_t kStartTitleIsLinkName = 0x800;
constexpr std::uint32_t kStartTitleIsAppId = 0x1000;
constexpr std::uint32_t kStartPreventPinning = 0x2000;

struct StartInformation {
  std::uint32_t flags = 0;
  std::string title;             // the shortcut's path or the AppUserModelID
  std::uint16_t showWindow = 0;  // with kStartUseShowWindow
  std::uint64_t hotKey = 0;      // with kStartUseHotKey
};

// How the launcher was made to launch. Classic reads the configuration the
// argument tail names (or the one beside the program as it was started) and
// reports every launch that did not end with status 0. App mode reads the
// configuration beside the running exe, hands the argument tail to the
// application, expands %EXEDIR% and %NAME% in values, and passes the VM's exit
// status on. The console launcher is app mode for command-line apps: its VM
// is java.exe, and its report goes to standard error.
enum class LaunchMode { kClassic, kApp, kConsole };

class Platform {
 public:
  virtual ~Platform() = default;

  // The process command line as a writable text owned by the process: a NUL
  // written into it shows in every later call.
  virtual char* commandLine() = 0;

  // The launch mode the launcher was made with.
  virtual LaunchMode launchMode() = 0;

  // How this process was started, as GetStartupInfo tells it: all its
  // flags, its title, its window state, and the hot key when a flag says
  // there is one.
  virtual StartInformation startInformation() = 0;

  // The AppUserModelID the launcher was branded with, or an empty text.
  virtual std::string appUserModelId() = 0;

  // The full path of the running program's file, as the system knows it
  // (not as the command line names it), of any length.
  virtual std::string programPath() = 0;

  // Whether the byte is a lead byte of a double-byte character in the ANSI
  // code page.
  virtual bool isLeadByte(unsigned char byte) = 0;

  // Whether the process's ANSI code page is UTF-8 (65001): its characters
  // are one to four bytes long, and isLeadByte is false for every byte.
  virtual bool ansiCodePageIsUtf8() = 0;

  // Returns true and the whole value, of any length, when the variable is
  // defined (names are compared ignoring case); false when it is not.
  virtual bool getEnvironmentVariable(const std::string& name, std::string* value) = 0;

  // Sets the variable for this process and every child started afterwards.
  // Returns false when the system refuses the value.
  virtual bool setEnvironmentVariable(const std::string& name, const std::string& value) = 0;

  // Lists the entries that match a wildcard pattern such as "C:\lib\*.jar",
  // with the attributes the listing gives, in the order the system yields
  // them. Returns false when the search fails (for example the directory is
  // missing).
  virtual bool findFiles(const std::string& pattern, std::vector<DirectoryEntry>* entries) = 0;

  // The attributes of a file-system entry, or the system error of the query.
  virtual FileAttributes fileAttributes(const std::string& path) = 0;

  // Reads a file in pieces of a bounded size and hands each to the sink, so
  // memory does not grow with the file; others may read and write the file
  // meanwhile. Returns false and the system error when it cannot be opened.
  // Once it is open, returns true: error is 0 when reading reached the end of
  // the file, else the system error of the read that failed (reading stops
  // there; the pieces before it were handed over).
  virtual bool readFile(const std::string& path, ByteSink& sink, SystemError* error) = 0;

  // Starts the program with the command line, inheriting this process's
  // environment, current directory and handles, tells it the start-up
  // information (flags 0: none at all), and waits without a time limit
  // until it ends.
  virtual ProcessOutcome runProcess(const std::string& application, const std::string& commandLine,
                                    const StartInformation& startup) = 0;

  // The application's name as the failure report gives it: the name the
  // launcher's own file was branded with, or "Veltrane" when it has none.
  virtual std::string applicationName() = 0;

  // Shows a modal message box with one OK button and returns when it is
  // dismissed.
  virtual void showMessage(const std::string& text, const std::string& caption) = 0;

  // Ends the process with the status after the runtime's normal clean-up.
  virtual void exitProcess(int status) = 0;
};

}  // namespace veltrane

#endif  // VELTRANE_PLATFORM_PLATFORM_H_
