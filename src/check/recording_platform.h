// A platform that passes reads through to the real one and records the PATH
// change and the process start instead of making them, so the launcher's own
// search and start code can be run without launching anything. In run mode
// it makes them too.
#ifndef VELTRANE_CHECK_RECORDING_PLATFORM_H_
#define VELTRANE_CHECK_RECORDING_PLATFORM_H_

#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace veltrane::check {

class RecordingPlatform : public Platform {
 public:
  struct AttributeQuery {
    std::string path;
    FileAttributes attributes;
  };
  struct Start {
    std::string application;  // the program actually started
    std::string commandLine;
  };

  // How the launcher is taken to be made and started: its mode, the path
  // of its file (app mode), and its command line.
  struct Launcher {
    LaunchMode mode = LaunchMode::kClassic;
    std::string programPath;
    std::string commandLine;
    // In app mode, the file read in place of the configuration beside the
    // program: a configuration checked under any name. Empty for none.
    std::string configuration;
  };

  RecordingPlatform(Platform& system, const Launcher& launcher, bool run);

  // Every byte of the files read is also handed to this sink.
  void tapReads(ByteSink* tap) { tap_ = tap; }
  // The file last read.
  const std::string& readPath() const { return readPath_; }

  // The attribute queries since the last clearing: the candidates the
  // search tried, with what it found.
  const std::vector<AttributeQuery>& attributeQueries() const { return attributeQueries_; }
  void clearAttributeQueries() { attributeQueries_.clear(); }
  // The PATH the launcher installed, if it did.
  const std::optional<std::string>& installedPath() const { return installedPath_; }
  // The process start, if one was made (or, in run mode, succeeded).
  const std::optional<Start>& start() const { return start_; }
  // In run mode: a console java.exe stood beside the javaw.exe and ran instead.
  bool javaInsteadOfJavaw() const { return javaInsteadOfJavaw_; }
  // The variables looked up and not defined since the last call.
  std::vector<std::string> takeUndefinedNames() { return std::move(undefinedNames_); }

  LaunchMode launchMode() override;
  StartInformation startInformation() override { return {}; }
  std::string appUserModelId() override { return {}; }
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
  std::string consoleVm(const std::string& application);

  Platform& system_;
  LaunchMode mode_;
  std::string programPath_;
  std::string configuration_;
  std::vector<char> commandLine_;
  bool run_;
  ByteSink* tap_ = nullptr;
  std::string readPath_;
  std::vector<AttributeQuery> attributeQueries_;
  std::optional<std::string> installedPath_;
  std::optional<Start> start_;
  bool javaInsteadOfJavaw_ = false;
  std::vector<std::string> undefinedNames_;
};

}  // namespace veltrane::check

#endif  // VELTRANE_CHECK_RECORDING_PLATFORM_H_
