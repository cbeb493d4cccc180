#include "launcher/report_shortening.h"

#include <algorithm>

#include "launcher/failure_report.h"

namespace veltrane {

namespace {

using Allotments = std::array<size_t, kReportValueCount>;

// "...[612,345 characters]...": the count with thousands separators.
std::string omissionMark(size_t omitted) {
  std::string digits;
  for (size_t count = 0; count == 0 || omitted > 0; ++count, omitted /= 10) {
    if (count > 0 && count % 3 == 0) {
      digits.insert(digits.begin(), ',');
    }
    digits.insert(digits.begin(), static_cast<char>('0' + omitted % 10));
  }
  return "...[" + digits + " characters]...";
}

// How many characters each value may keep so that all of them together fit
// the budget. The budget is shared fairly: every value that fits an equal
// share of what is left stays whole (the VM, the main class, the
// configuration path, usually), and once none does, the long ones (a class
// path of thousands of jars, a long argument) split the rest evenly. No
// value is favoured by its place: any of them can be the long one.
Allotments allotments(const ReportValues& values, size_t budget) {
  Allotments allotted{};
  std::array<bool, kReportValueCount> whole{};
  size_t remaining = budget;
  size_t unsettled = kReportValueCount;
  for (bool settledOne = true; settledOne && unsettled > 0;) {
    settledOne = false;
    const size_t share = remaining / unsettled;
    for (size_t i = 0; i < kReportValueCount; ++i) {
      if (!whole[i] && values[i].size() <= share) {
        whole[i] = true;
        allotted[i] = values[i].size();
        remaining -= allotted[i];
        --unsettled;
        settledOne = true;
      }
    }
  }
  for (size_t i = 0; i < kReportValueCount; ++i) {
    if (!whole[i]) {
      allotted[i] = remaining / unsettled;
    }
  }
  return allotted;
}

// 1 for a single-byte character, 2 for a lead byte and its trail byte.
size_t characterLength(Platform& platform, std::string_view value, size_t position) {
  return platform.isLeadByte(static_cast<unsigned char>(value[position])) &&
                 position + 1 < value.size()
             ? 2
             : 1;
}

// The message box breaks a line only after a blank, "\\", "/" or "-"
// (measured under Wine). A run of about 150 other characters is laid out on
// one line wider than a 1024-pixel screen, and the box with it, so a
// shortened value keeps at most this much of such a run at either end.
constexpr size_t kMaxRunShown = 64;

bool breaksLineAfter(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\\' || c == '/' || c == '-';
}

// Where the first run longer than kMaxRunShown starts and the last one
// ends; firstStart is npos when there is none.
struct LongRuns {
  size_t firstStart = std::string_view::npos;
  size_t lastEnd = 0;
};

LongRuns longRuns(Platform& platform, std::string_view value) {
  LongRuns runs;
  size_t runStart = 0;
  for (size_t position = 0; position < value.size();) {
    const char c = value[position];
    position += characterLength(platform, value, position);
    if (breaksLineAfter(c)) {
      runStart = position;
    } else if (position - runStart > kMaxRunShown) {
      runs.firstStart = std::min(runs.firstStart, runStart);
      runs.lastEnd = position;
    }
  }
  return runs;
}

}  // namespace

std::string shortenedValue(Platform& platform, std::string_view value, size_t maxLength) {
  if (value.size() <= maxLength) {
    return std::string(value);
  }
  // The mark for the whole value is the longest the mark can get, so the
  // result fits even though the exact count is known only at the end.
  const size_t longestMark = omissionMark(value.size()).size();
  const size_t kept = maxLength > longestMark ? maxLength - longestMark : 0;
  size_t headLimit = kept - kept / 2;
  size_t tailLimit = value.size() - kept / 2;
  const LongRuns runs = longRuns(platform, value);
  if (runs.firstStart != std::string_view::npos) {
    headLimit = std::min(headLimit, runs.firstStart + kMaxRunShown);
    tailLimit = std::max(tailLimit, runs.lastEnd - kMaxRunShown);
  }
  // The head ends at the last character boundary within its limit, the tail
  // starts at the first one past its limit.
  size_t headEnd = 0;
  size_t position = 0;
  while (position < tailLimit) {
    position += characterLength(platform, value, position);
    if (position <= headLimit) {
      headEnd = position;
    }
  }
  std::string shortened(value.substr(0, headEnd));
  shortened += omissionMark(position - headEnd);
  shortened += value.substr(position);
  return shortened;
}

std::string shortenedReport(Platform& platform, std::string_view applicationName,
                            const WrapperConfiguration& configuration, std::string_view commandLine,
                            std::string_view errorText) {
  const ReportValues values = reportValues(applicationName, configuration, commandLine);
  // The labels and the error text are always shown whole; the values share
  // the rest of the room.
  const size_t fixed = formatReport(ReportValues{}, errorText).size();
  size_t total = fixed;
  for (std::string_view value : values) {
    total += value.size();
  }
  if (total <= kMaxWholeReport) {
    return formatReport(values, errorText);
  }
  const Allotments allotted =
      allotments(values, kMaxShortenedReport > fixed ? kMaxShortenedReport - fixed : 0);
  std::array<std::string, kReportValueCount> shortened;
  ReportValues shown;
  for (size_t i = 0; i < kReportValueCount; ++i) {
    shortened[i] = shortenedValue(platform, values[i], allotted[i]);
    shown[i] = shortened[i];
  }
  return formatReport(shown, errorText);
}

}  // namespace veltrane
