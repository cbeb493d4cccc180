// The three ways a report is written: readable text, one gcc-style line per
// problem, and JSON. All are written from the same report, so they agree.
#ifndef VELTRANE_CHECK_REPORT_FORMATS_H_
#define VELTRANE_CHECK_REPORT_FORMATS_H_

#include <string>

#include "check/check_report.h"

namespace veltrane::check {

enum class Format { kText, kGcc, kJson };

// The lines, the launch, the problems and a summary line ("2 errors, 3
// warnings").
std::string textReport(const CheckReport& report);
// "FILE:LINE:COLUMN: error|warning|note: message [code]", one per problem;
// a problem of no line is given line 1, column 1.
std::string gccReport(const CheckReport& report);
// One object; the run, when there was one, under "run".
std::string jsonReport(const CheckReport& report);
// What --run saw: the VM started, its exit status, and the launcher's report.
std::string textRun(const RunRecord& run);

}  // namespace veltrane::check

#endif  // VELTRANE_CHECK_REPORT_FORMATS_H_
