// Records what the launcher's own configuration code did with each line, and
// the problems that can be seen from one line (line_problems.cpp).
#ifndef VELTRANE_CHECK_LINE_RECORDER_H_
#define VELTRANE_CHECK_LINE_RECORDER_H_

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "check/check_report.h"
#include "check/host_facts.h"
#include "config/configuration_observer.h"
#include "platform/platform.h"

namespace veltrane::check {

// An "addjars" line's folder as the launcher listed it.
struct JarFolder {
  size_t line = 0;
  std::string folder;
  bool listed = false;
  size_t jars = 0;
  size_t folders = 0;  // entries named like jars that are folders
};

// Never deleted through its base, whose destructor is protected.
class LineRecorder final  // NOLINT(cppcoreguidelines-virtual-class-destructor)
    : public ConfigurationObserver {
 public:
  // Each line is handed to the emitter once it is complete (when the next
  // one is read, or at the end); only what later checks need is kept, so a
  // file of any number of lines is recorded in bounded memory.
  using Emitter = std::function<void(LineRecord&&)>;
  LineRecorder(const HostFacts& host, LaunchMode mode, Emitter emit)
      : host_(host), mode_(mode), emit_(std::move(emit)) {}

  // Where the names of the variables that were looked up and not defined
  // since the last line come from.
  using UndefinedNames = std::function<std::vector<std::string>()>;
  void takeUndefinedFrom(UndefinedNames source) { undefinedNames_ = std::move(source); }

  void lineRead(std::string_view text) override;
  void lineApplied(std::string_view line, std::string_view key, std::string_view value) override;
  void jarFolderListed(std::string_view folder, bool listed) override;
  void jarFound(std::string_view path, bool added) override;
  void classPathAssembled(std::string_view addPathList, std::string_view jarList) override;

  // Hands over the last line.
  void finish();

  size_t lineCount() const { return lineCount_; }
  const std::vector<Problem>& problems() const { return problems_; }
  const ProblemLimit& limit() const { return limit_; }
  const std::vector<JarFolder>& jarFolders() const { return jarFolders_; }
  // The class path entries as assembled, each with the line it came from.
  std::vector<ClassPathEntry> classPath() const;
  // The line of the first empty entry of the addpath values ("a;;b",
  // "a;"), 0 for none.
  size_t emptyAddPathLine() const;
  // The line of the last "jvm" or "mainclass" line, 0 for none.
  size_t lastLineOf(std::string_view key) const;
  // The first "vmparam" line that starts the app from a jar or a module.
  size_t appStartLine() const { return appStartLine_; }
  // The "addsyspath" values by line.
  const std::map<size_t, std::string>& systemPaths() const { return systemPaths_; }

 private:
  void add(Problem problem);
  void emitCurrent();
  void checkUnknownKey(const LineRecord& record, std::string_view line);
  void checkSeparator(size_t number, std::string_view line, std::string_view key);
  void checkComment(const LineRecord& record);
  void checkRelative(size_t number, std::string_view key, std::string_view value);
  void checkExpansion(const LineRecord& record, std::vector<std::string>& undefined);
  std::string replacing(size_t number, std::string_view key, std::string_view value);

  const HostFacts& host_;
  LaunchMode mode_;
  Emitter emit_;
  UndefinedNames undefinedNames_;
  LineRecord current_;
  // The current line's first "#": its column (0 for none), whether a blank
  // stands before it, and the comment as a message quotes it.
  size_t hashColumn_ = 0;
  bool afterBlank_ = false;
  std::string comment_;
  size_t lineCount_ = 0;
  size_t appStartLine_ = 0;
  std::vector<Problem> problems_;
  ProblemLimit limit_;
  std::map<std::string, std::pair<size_t, std::string>, std::less<>> lastValues_;
  std::vector<size_t> addPathPieceLines_;
  std::vector<JarFolder> jarFolders_;
  std::map<std::string, size_t, std::less<>> jarLines_;
  std::map<size_t, std::string> systemPaths_;
  std::string addPathList_;
  std::string jarList_;
};

// The ";"-separated pieces of a list, empty ones included.
std::vector<std::string_view> splitList(std::string_view list);
// How many arguments the VM makes of a value: it splits at blanks outside
// double quotes.
size_t argumentCount(std::string_view value);
// Whether VM options name the app's jar or module ("-jar", "-m", "--module"):
// the VM then takes everything after it as the app's arguments.
bool startsTheAppOtherwise(std::string_view vmOptions);

}  // namespace veltrane::check

#endif  // VELTRANE_CHECK_LINE_RECORDER_H_
