// An in-memory platform for the unit tests: files, directories, environment
// and programs are set up by the test, and every query, process start,
// message box and exit is recorded.
#ifndef VELTRANE_TESTS_FAKE_PLATFORM_H_
#define VELTRANE_TESTS_FAKE_PLATFORM_H_

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "config/wrapper_configuration.h"
#include "platform/platform.h"

namespace veltrane {

class FakePlatform : public Platform {
 public:
  struct Start {
    std::string application;
    std::string commandLine;
    std::string path;  // the PATH the child inherited
    StartInformation startup;
  };
  struct Message {
    std::string text;
    std::string caption;
  };

  // Set-up. Paths are compared as exact texts.
  void setCommandLine(const std::string& text);
  void addFile(const std::string& path, const std::string& contents = "");
  // A folder, with the attribute bits its listing and queries give (a
  // read-only or hidden folder has more bits than the directory one).
  void addDirectory(const std::string& path, std::uint32_t attributes = kAttributeDirectory);
  void setEnvironment(const std::string& name, const std::string& value);
  void unsetEnvironment(const std::string& name);
  // What FindFirstFileA/FindNextFileA yield for a pattern, in order; an
  // entry added as a directory is listed with the directory attribute.
  std::map<std::string, std::vector<std::string>> listings;
  // Files are handed over in pieces of this many bytes, so that lines span
  // pieces as they do in a real read.
  size_t readPieceSize = 16;
  // A read error injected per path: after this many bytes, this error.
  struct ReadError {
    size_t offset;
    SystemError error;
  };
  std::map<std::string, ReadError> readErrors;
  // Failures injected per path.
  std::map<std::string, SystemError> attributeErrors;
  std::map<std::string, SystemError> startErrors;
  std::map<std::string, std::uint32_t> exitCodes;  // default 0
  std::set<unsigned char> leadBytes;
  bool utf8CodePage = false;  // what ansiCodePageIsUtf8 returns

  // Records.
  std::vector<std::string> attributeQueries;
  std::vector<Start> starts;
  std::vector<Message> messages;
  std::optional<int> exitStatus;
  std::string name = "Veltrane";  // what applicationName returns
  LaunchMode mode = LaunchMode::kClassic;
  std::string program = "C:\\apps\\tool.exe";  // what programPath returns
  StartInformation ownStart;                   // what startInformation returns
  std::string appId;                           // what appUserModelId returns
  std::string environment(const std::string& name) const;

  LaunchMode launchMode() override;
  StartInformation startInformation() override;
  std::string appUserModelId() override;
  std::string programPath() override;
  char* commandLine() override;
  bool isLeadByte(unsigned char byte) override;
  bool ansiCodePageIsUtf8() override;
  bool getEnvironmentVariable(const std::string& name, std::string* value) override;
  bool setEnvironmentVariable(const std::string& name, const std::string& value) override;
  bool findFiles(const std::string& pattern, std::vector<DirectoryEntry>* entries) override;
  FileAttributes fileAttributes(const std::string& path) override;
  bool readFile(const std::string& path, ByteSink& sink, SystemError* error) override;
  ProcessOutcome runProcess(const std::string& application, const std::string& commandLine,
                            const StartInformation& startup) override;
  std::string applicationName() override;
  void showMessage(const std::string& text, const std::string& caption) override;
  void exitProcess(int status) override;

 private:
  std::vector<char> commandLine_ = {'\0'};
  std::map<std::string, std::string> files_;
  std::map<std::string, std::uint32_t> directories_;  // with their attributes
  std::map<std::string, std::string> environment_;    // names in lower case
};

// The configuration of a launcher started as C:\apps\tool.exe without
// arguments, whose C:\apps\tool.config holds the text.
std::unique_ptr<WrapperConfiguration> configureFromText(FakePlatform& platform,
                                                        const std::string& configText);

}  // namespace veltrane

#endif  // VELTRANE_TESTS_FAKE_PLATFORM_H_
