// The platform operations on Windows, through the Win32 API.
#ifndef VELTRANE_PLATFORM_WIN32_PLATFORM_H_
#define VELTRANE_PLATFORM_WIN32_PLATFORM_H_

#include "platform/platform.h"

namespace veltrane {

class Win32Platform : public Platform {
 public:
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
};

}  // namespace veltrane

#endif  // VELTRANE_PLATFORM_WIN32_PLATFORM_H_
