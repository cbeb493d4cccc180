// The three ways a report is written: readable text, one gcc-style line per
// problem, and JSON. All are written from the same report, so they agree.
#ifndef VELTRANE_CHECK_REPORT_FORMATS_H_
#define VELTRANE_CHECK_REPORT_FORMATS_H_

#include <functional>
#include <string>
#include <string_view>

#include "check/check_report.h"
#include "check/json_writer.h"
#include "check/launch_check.h"

namespace veltrane::check {

enum class Format { kText, kGcc, kJson };

// Writes a report as the check goes: each line as soon as it is complete,
// the rest at the end, so that a file of any size is reported in bounded
// memory. The text and gcc formats show control characters escaped, so no
// configuration byte can act on a terminal or forge a line.
// Never deleted through its base, whose destructor is protected.
class ReportWriter final  // NOLINT(cppcoreguidelines-virtual-class-destructor)
    : public LineRecordSink {
 public:
  using Output = std::function<void(std::string_view)>;
  // Quiet text leaves out the lines and the launch: the problems and the
  // summary only.
  ReportWriter(Format format, bool quiet, Output output)
      : format_(format), quiet_(quiet), output_(std::move(output)) {}

  void line(const CheckReport& report, const LineRecord& line) override;
  // Writes what follows the lines: the launch, the problems, the summary
  // and, in JSON, the run when there was one.
  void finish(const CheckReport& report);

 private:
  void begin(const CheckReport& report);

  Format format_;
  bool quiet_;
  Output output_;
  bool begun_ = false;
  JsonWriter json_;
};

// The whole report at once, lines and all. The text echoes only the lines
// that do something (no comment, no blank line); JSON gives every line.
std::string textReport(const CheckReport& report, bool quiet = false);
// "FILE:LINE:COLUMN: error|warning|note: message [code]", one per problem;
// a problem of no line is given line 1, column 1.
std::string gccReport(const CheckReport& report);
// One object; the run, when there was one, under "run".
std::string jsonReport(const CheckReport& report);
// What --run saw: the VM started, its exit status, and the launcher's report.
std::string textRun(const RunRecord& run, bool utf8);

// The text and gcc formats' pieces.
std::string textHeader(const CheckReport& report, bool quiet);
// Empty for a line that does nothing (a comment, a blank line).
std::string textLine(const LineRecord& line, bool utf8);
std::string textRest(const CheckReport& report, bool quiet);
// The text with control characters as \xHH (and, in UTF-8, the C1 controls
// as \u0080 to \u009f).
std::string escapedControls(std::string_view text, bool utf8);

// The JSON format's pieces: the object up to its "lines" array, one line,
// and everything after it.
void jsonBegin(JsonWriter& json, const CheckReport& report);
void jsonLine(JsonWriter& json, const LineRecord& line);
void jsonEnd(JsonWriter& json, const CheckReport& report);

}  // namespace veltrane::check

#endif  // VELTRANE_CHECK_REPORT_FORMATS_H_
