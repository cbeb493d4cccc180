#include "check/recording_platform.h"

#include <algorithm>
#include <cctype>

#include "config/app_mode.h"

namespace veltrane::check {

namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

// Hands every piece to the reader's sink and to the tap.
class TeeSink final : public ByteSink {  // NOLINT(cppcoreguidelines-virtual-class-destructor)
 public:
  TeeSink(ByteSink& first, ByteSink& second) : first_(first), second_(second) {}
  void consume(std::string_view bytes) override {
    first_.consume(bytes);
    second_.consume(bytes);
  }

 private:
  ByteSink& first_;
  ByteSink& second_;
};

}  // namespace

RecordingPlatform::RecordingPlatform(Platform& system, const Launcher& launcher, bool run)
    : system_(system),
      mode_(launcher.mode),
      programPath_(launcher.programPath),
      configuration_(launcher.configuration),
      commandLine_(launcher.commandLine.begin(), launcher.commandLine.end()),
      run_(run) {
  commandLine_.push_back('\0');
}

LaunchMode RecordingPlatform::launchMode() {
  return mode_;
}

std::string RecordingPlatform::programPath() {
  return programPath_;
}

char* RecordingPlatform::commandLine() {
  return commandLine_.data();
}

bool RecordingPlatform::isLeadByte(unsigned char byte) {
  return system_.isLeadByte(byte);
}

bool RecordingPlatform::ansiCodePageIsUtf8() {
  return system_.ansiCodePageIsUtf8();
}

bool RecordingPlatform::getEnvironmentVariable(const std::string& name, std::string* value) {
  // The search reads the PATH the launcher has just installed.
  if (installedPath_ && equalsIgnoringCase(name, "path")) {
    *value = *installedPath_;
    return true;
  }
  if (system_.getEnvironmentVariable(name, value)) {
    return true;
  }
  undefinedNames_.push_back(name);
  return false;
}

bool RecordingPlatform::setEnvironmentVariable(const std::string& name, const std::string& value) {
  if (equalsIgnoringCase(name, "path")) {
    installedPath_ = value;
  }
  return !run_ || system_.setEnvironmentVariable(name, value);
}

bool RecordingPlatform::findFiles(const std::string& pattern,
                                  std::vector<DirectoryEntry>* entries) {
  return system_.findFiles(pattern, entries);
}

FileAttributes RecordingPlatform::fileAttributes(const std::string& path) {
  const FileAttributes attributes = system_.fileAttributes(path);
  attributeQueries_.push_back({path, attributes});
  return attributes;
}

bool RecordingPlatform::readFile(const std::string& path, ByteSink& sink, SystemError* error) {
  const bool substituted = !configuration_.empty() && path == configPathOfProgram(programPath_);
  readPath_ = substituted ? configuration_ : path;
  if (tap_ == nullptr) {
    return system_.readFile(readPath_, sink, error);
  }
  TeeSink tee(sink, *tap_);
  return system_.readFile(readPath_, tee, error);
}

ProcessOutcome RecordingPlatform::runProcess(const std::string& application,
                                             const std::string& commandLine,
                                             const StartInformation& startup) {
  if (!run_) {
    start_ = Start{application, commandLine};
    ProcessOutcome outcome;
    outcome.started = true;
    return outcome;
  }
  const std::string program = consoleVm(application);
  const ProcessOutcome outcome = system_.runProcess(program, commandLine, startup);
  if (outcome.started) {
    start_ = Start{program, commandLine};
  }
  return outcome;
}

// A javaw.exe writes its messages nowhere; the java.exe beside it writes
// them to the console, where the user running the check sees them.
std::string RecordingPlatform::consoleVm(const std::string& application) {
  const size_t separator = application.find_last_of("\\/:");
  const size_t nameStart = separator == std::string::npos ? 0 : separator + 1;
  if (!equalsIgnoringCase(application.substr(nameStart), "javaw.exe")) {
    return application;
  }
  std::string java = application.substr(0, nameStart) + "java.exe";
  const FileAttributes attributes = system_.fileAttributes(java);
  if (!attributes.found || (attributes.bits & kAttributeDirectory) != 0) {
    return application;
  }
  javaInsteadOfJavaw_ = true;
  return java;
}

std::string RecordingPlatform::applicationName() {
  return system_.applicationName();
}

void RecordingPlatform::showMessage(const std::string& /*text*/, const std::string& /*caption*/) {
  // The checker prints the report itself; it never shows a box.
}

void RecordingPlatform::exitProcess(int /*status*/) {
  // The checker decides how it ends.
}

}  // namespace veltrane::check
