// Records what the launcher's own configuration code did with each line, and
// the problems that can be seen from one line: unknown and misread keys,
// separators, comments inside values, replaced settings, relative paths.
#ifndef VELTRANE_CHECK_LINE_RECORDER_H_
#define VELTRANE_CHECK_LINE_RECORDER_H_

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "check/check_report.h"
#include "check/host_facts.h"
#include "config/configuration_observer.h"

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
  explicit LineRecorder(const HostFacts& host) : host_(host) {}

  void lineRead(std::string_view text) override;
  void lineApplied(std::string_view line, std::string_view key, std::string_view value) override;
  void jarFolderListed(std::string_view folder, bool listed) override;
  void jarFound(std::string_view path, bool added) override;
  void classPathAssembled(std::string_view addPathList, std::string_view jarList) override;

  // Completes the effects that later events decided (the jars a folder gave).
  void finish();

  const std::vector<LineRecord>& lines() const { return lines_; }
  const std::vector<Problem>& problems() const { return problems_; }
  const std::vector<JarFolder>& jarFolders() const { return jarFolders_; }
  // The class path entries as assembled, each with the line it came from.
  std::vector<ClassPathEntry> classPath() const;
  // The line of the last "jvm" or "mainclass" line, 0 for none.
  size_t lastLineOf(std::string_view key) const;
  // The "addsyspath" values by line.
  const std::map<size_t, std::string>& systemPaths() const { return systemPaths_; }

 private:
  void add(Problem problem);
  void checkUnknownKey(const LineRecord& record, std::string_view line);
  void checkSeparator(size_t number, std::string_view line, std::string_view key);
  void checkComment(const LineRecord& record);
  void checkRelative(size_t number, std::string_view key, std::string_view value);
  std::string replacing(size_t number, std::string_view key, std::string_view value);

  const HostFacts& host_;
  std::vector<LineRecord> lines_;
  std::vector<Problem> problems_;
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

}  // namespace veltrane::check

#endif  // VELTRANE_CHECK_LINE_RECORDER_H_
