// What the checker found: each line's effect, the launch the launcher would
// make, and the problems, from which every output format is written.
#ifndef VELTRANE_CHECK_CHECK_REPORT_H_
#define VELTRANE_CHECK_CHECK_REPORT_H_

#include <array>
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace veltrane::check {

enum class Severity { kNote, kWarning, kError };

// One finding. Line and column count from 1; 0 when there is none.
struct Problem {
  std::string code;
  Severity severity = Severity::kWarning;
  size_t line = 0;
  size_t column = 0;
  std::string message;
  std::string hint;
};

// One line of the configuration file and what it did.
struct LineRecord {
  size_t number = 0;
  std::string text;
  std::string key;            // the key it matched, or empty
  std::string value;          // the value as written
  std::string effect;         // empty when the line was ignored
  std::string reason;         // why it was ignored
  std::string expanded = {};  // the value the key took: in app mode, expanded
};

// One place the VM search looked, and what it found there.
struct Candidate {
  std::string path;
  std::string result;  // "found", "missing", "not checkable here" or an error text
};

struct ClassPathEntry {
  std::string entry;
  size_t line = 0;             // the line that contributed it
  std::optional<bool> exists;  // empty when this system cannot tell
  bool explicitEntry = false;  // from "addpath", not found by "addjars"
};

struct LaunchRecord {
  std::string configFile;
  bool jvmFound = false;
  std::string jvmPath;
  std::vector<Candidate> tried;
  std::string path;  // the PATH the VM inherits
  std::vector<ClassPathEntry> classPath;
  // The VM's command line: exactly, when it can start; else its start and a
  // count of the rest.
  std::string commandLine;
  size_t commandLineLength = 0;
};

// The outcome of --run: the VM actually started, its status, and the report
// the launcher would have shown.
struct RunRecord {
  std::string vm;
  bool javaInsteadOfJavaw = false;
  std::optional<int> exitStatus;  // empty when the VM could not be started
  std::string failureReport;      // empty when the launch succeeded
  int launcherStatus = 0;         // what the launcher would exit with
};

struct CheckReport {
  std::string codePage;          // "ansi" or "utf-8"
  std::string mode = "classic";  // "classic", "app" or "console"
  std::string exeDir;            // what %EXEDIR% stands for; empty in classic mode
  std::vector<LineRecord> lines;
  LaunchRecord launch;
  std::vector<Problem> problems;
  // Problems counted but not listed, by severity (see ProblemLimit).
  std::array<size_t, 3> unlisted = {};
  std::optional<RunRecord> run;
};

// Lets through the first problems of each code and counts the others, so
// that a file with any number of faulty lines is reported in bounded memory.
class ProblemLimit {
 public:
  static constexpr size_t kListedPerCode = 1000;

  // Whether to list the problem; false when only its count is kept.
  bool admit(const Problem& problem);
  // Adds the counts to the report, and one note per code that was cut.
  void report(CheckReport& report) const;

 private:
  struct Seen {
    Severity severity = Severity::kWarning;
    size_t count = 0;
  };
  std::map<std::string, Seen, std::less<>> seen_;
};

// The listed and the unlisted problems of the severity.
size_t countOf(const CheckReport& report, Severity severity);
// 0 with no problem, 1 with warnings only, 2 with an error; notes do not
// count.
int exitStatusOf(const CheckReport& report);

const char* severityName(Severity severity);

}  // namespace veltrane::check

#endif  // VELTRANE_CHECK_CHECK_REPORT_H_
