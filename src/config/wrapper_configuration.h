// The launcher's configuration record: the settings read from the
// configuration file and the launch values derived from them.
#ifndef VELTRANE_CONFIG_WRAPPER_CONFIGURATION_H_
#define VELTRANE_CONFIG_WRAPPER_CONFIGURATION_H_

#include <string>
#include <string_view>

#include "config/text_mode.h"
#include "platform/platform.h"

namespace veltrane {

class ConfigurationObserver;
class JarEntries;

class WrapperConfiguration {
 public:
  // Runs the whole configuration phase: defaults, the configuration file
  // found from the argument tail, the inherited PATH, the class path and the
  // quoting of the VM command. The argument tail is a part of the process
  // command line; locating the file may cut that text in place. In app mode
  // the file is the one beside the running exe, the tail is left whole and
  // goes behind the "param" values, and values are expanded. An observer,
  // if given, is told what each line did; it changes nothing.
  WrapperConfiguration(Platform& platform, char* argumentTail,
                       ConfigurationObserver* observer = nullptr);
  virtual ~WrapperConfiguration();

  WrapperConfiguration(const WrapperConfiguration&) = delete;
  WrapperConfiguration& operator=(const WrapperConfiguration&) = delete;

  const std::string& mainClass() const { return mainClass_; }
  const std::string& jvmCommand() const { return jvmCommand_; }
  const std::string& quotedJvmCommand() const { return quotedJvmCommand_; }
  const std::string& vmParams() const { return vmParams_; }
  const std::string& appParams() const { return appParams_; }
  const std::string& classpathArgument() const { return classpathArgument_; }
  const std::string& configFilePath() const { return configFilePath_; }
  const std::string& pathAssignment() const { return pathAssignment_; }
  LaunchMode mode() const { return mode_; }

  // How many characters of each text were counted but not kept: the record
  // keeps at most kMaxKeptText characters of a value or a list (the PATH
  // assignment: of its value), since no longer one can be launched, and
  // counts the rest for the failure report. A text that dropped characters
  // keeps its start, far longer than any command line.
  struct DroppedLengths {
    size_t jvmCommand = 0;
    size_t vmParams = 0;
    size_t classpathArgument = 0;
    size_t mainClass = 0;
    size_t appParams = 0;
    size_t pathAssignment = 0;
  };
  const DroppedLengths& droppedLengths() const { return dropped_; }

  // The system error of the failed attempt to open or read the configuration
  // file, or 0 when it was read to its end.
  SystemError configFileError() const { return configFileError_; }

  // Text operations shared by every step of the configuration phase.

  // Appends value to target behind the separator; an empty target takes the
  // value alone, without a separator.
  static void appendJoined(std::string& target, std::string_view value, std::string_view separator);
  static void replaceText(std::string& target, std::string_view value);
  // Strips tabs, line feeds, carriage returns and spaces from both ends, and
  // nothing else.
  static std::string trimWhitespace(std::string_view text);
  // The trimmed text after the line's first space, or the whole trimmed line
  // when it has no space.
  static std::string lineValue(std::string_view line);

  // Gives one comment-free, trimmed configuration line its effect; dropped
  // characters of the line's end were counted but not kept.
  void applyLine(std::string_view line, size_t dropped = 0);
  // Appends the jar files of one directory to the jar list.
  void scanJarDirectory(std::string_view directory);
  // Finds, reads and applies the configuration file.
  void readConfigFile(char* argumentTail);
  // Composes the class path argument from the explicit entries and the jars.
  void buildClasspathArgument();

 private:
  void readInheritedPath();
  void quoteJvmCommand();
  std::string configFilePathFrom(char* argumentTail);
  class LineApplier;
  void applyConfigLine(std::string_view line, size_t dropped);
  // appendJoined and replaceText for a text that keeps at most limit
  // characters and counts the others in dropped.
  static void appendKept(std::string& target, size_t& dropped, std::string_view value,
                         size_t valueDropped, std::string_view separator,
                         size_t limit = kMaxKeptText);
  // "path=" and the longest value an environment variable can hold: what
  // the PATH that is installed is cut from.
  static constexpr size_t kPathAssignmentLimit = 5 + kMaxKeptText;
  static void replaceKept(std::string& target, size_t& dropped, std::string_view value,
                          size_t valueDropped);
  static void removeFromJarList(std::string_view piece, JarEntries& jars);

  Platform& platform_;
  ConfigurationObserver* observer_;
  const LaunchMode mode_;
  std::string programPath_;  // in app mode: the running exe's file
  std::string exeFolder_;    // and what %EXEDIR% stands for

  std::string mainClass_;
  std::string jvmCommand_ = "javaw.exe";
  std::string quotedJvmCommand_;
  std::string vmParams_;
  std::string appParams_;
  std::string jarList_;
  std::string addPathList_;
  std::string classpathArgument_;
  std::string configFilePath_;
  std::string pathAssignment_ = "path=";
  SystemError configFileError_ = 0;
  size_t jarListDropped_ = 0;
  size_t addPathListDropped_ = 0;
  DroppedLengths dropped_;
};

}  // namespace veltrane

#endif  // VELTRANE_CONFIG_WRAPPER_CONFIGURATION_H_
