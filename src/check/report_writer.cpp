#include "check/report_formats.h"

namespace veltrane::check {

void ReportWriter::begin(const CheckReport& report) {
  if (begun_) {
    return;
  }
  begun_ = true;
  if (format_ == Format::kText) {
    output_(textHeader(report, quiet_));
  } else if (format_ == Format::kJson) {
    jsonBegin(json_, report);
  }
}

void ReportWriter::line(const CheckReport& report, const LineRecord& line) {
  begin(report);
  if (format_ == Format::kText && !quiet_) {
    output_(textLine(line, report.codePage == "utf-8"));
  } else if (format_ == Format::kJson) {
    jsonLine(json_, line);
    output_(json_.take());
  }
}

void ReportWriter::finish(const CheckReport& report) {
  begin(report);
  switch (format_) {
    case Format::kText:
      output_(textRest(report, quiet_));
      break;
    case Format::kGcc:
      output_(gccReport(report));
      break;
    case Format::kJson:
      jsonEnd(json_, report);
      output_(json_.take() + "\n");
      break;
  }
}

namespace {

std::string wholeReport(const CheckReport& report, Format format, bool quiet) {
  std::string out;
  ReportWriter writer(format, quiet, [&out](std::string_view text) { out += text; });
  for (const LineRecord& line : report.lines) {
    writer.line(report, line);
  }
  writer.finish(report);
  return out;
}

}  // namespace

std::string textReport(const CheckReport& report, bool quiet) {
  return wholeReport(report, Format::kText, quiet);
}

std::string jsonReport(const CheckReport& report) {
  return wholeReport(report, Format::kJson, false);
}

}  // namespace veltrane::check
