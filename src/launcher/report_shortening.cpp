#include "launcher/report_shortening.h"

#include <algorithm>

#include "launcher/character_walk.h"
#include "launcher/failure_report.h"

namespace veltrane {

namespace {

using Allotments = std::array<size_t, kReportValueCount>;
using Lengths = ReportLengths;

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
Allotments allotments(const Lengths& lengths, size_t budget) {
  Allotments allotted{};
  std::array<bool, kReportValueCount> whole{};
  size_t remaining = budget;
  size_t unsettled = kReportValueCount;
  for (bool settledOne = true; settledOne && unsettled > 0;) {
    settledOne = false;
    const size_t share = remaining / unsettled;
    for (size_t i = 0; i < kReportValueCount; ++i) {
      if (!whole[i] && lengths[i] <= share) {
        whole[i] = true;
        allotted[i] = lengths[i];
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

// The message box breaks a line only after a blank, "\\", "/" or "-"
// (measured under Wine). A run of about 150 other characters is laid out on
// one line wider than a 1024-pixel screen, and the box with it, so a
// shortened value keeps at most this much of such a run at either end.
constexpr size_t kMaxRunShown = 64;

bool breaksLineAfter(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\\' || c == '/' || c == '-';
}

// Where, in characters, the first run longer than kMaxRunShown starts and
// the last one ends; firstStart is npos when there is none.
struct LongRuns {
  size_t firstStart = std::string_view::npos;
  size_t lastEnd = 0;
};

LongRuns longRuns(const CharacterWalk& walk, std::string_view value) {
  LongRuns runs;
  size_t runStart = 0;
  size_t character = 0;
  for (size_t position = 0; position < value.size(); ++character) {
    const char c = value[position];
    position += walk.length(value, position);
    if (breaksLineAfter(c)) {
      runStart = character + 1;
    } else if (character + 1 - runStart > kMaxRunShown) {
      runs.firstStart = std::min(runs.firstStart, runStart);
      runs.lastEnd = character + 1;
    }
  }
  return runs;
}

// The characters kept at either end: those before head, and those from
// tail on.
struct Cut {
  size_t head;
  size_t tail;
};

// The byte offsets where the characters head and tail start.
Cut byteOffsets(const CharacterWalk& walk, std::string_view value, const Cut& characters) {
  Cut offsets{value.size(), value.size()};
  size_t position = 0;
  for (size_t character = 0; position < value.size(); ++character) {
    if (character == characters.head) {
      offsets.head = position;
    }
    if (character == characters.tail) {
      offsets.tail = position;
      break;
    }
    position += walk.length(value, position);
  }
  return offsets;
}

// Where a value is cut, in characters: the head gets the larger half of the
// room, and neither end keeps more than kMaxRunShown of a long run. A value
// whose end was never kept (endKept false) gives the head the whole room.
Cut cutOf(const CharacterWalk& walk, std::string_view value, size_t length, size_t maxLength,
          bool endKept) {
  // The mark for the whole value is the longest the mark can get, so the
  // result fits even though the exact count is known only at the end.
  const size_t longestMark = omissionMark(length).size();
  const size_t kept = maxLength > longestMark ? maxLength - longestMark : 0;
  Cut cut = endKept ? Cut{kept - kept / 2, length - kept / 2} : Cut{kept, length};
  const LongRuns runs = longRuns(walk, value);
  if (runs.firstStart != std::string_view::npos) {
    cut.head = std::min(cut.head, runs.firstStart + kMaxRunShown);
    if (endKept) {
      cut.tail = std::max(cut.tail, runs.lastEnd - kMaxRunShown);
    }
  }
  return cut;
}

}  // namespace

std::string shortenedValue(Platform& platform, std::string_view value, size_t maxLength,
                           size_t dropped) {
  const CharacterWalk walk(platform);
  const size_t length = walk.count(value) + dropped;
  if (length <= maxLength) {
    return std::string(value);
  }
  const Cut cut = cutOf(walk, value, length, maxLength, dropped == 0);
  const Cut offsets = byteOffsets(walk, value, cut);
  std::string shortened(value.substr(0, offsets.head));
  shortened += omissionMark(cut.tail - cut.head);
  shortened += value.substr(offsets.tail);
  return shortened;
}

std::string shortenedReport(Platform& platform, std::string_view applicationName,
                            const WrapperConfiguration& configuration, std::string_view commandLine,
                            std::string_view errorText) {
  const ReportValues values = reportValues(applicationName, configuration, commandLine);
  const ReportValues::size_type count = values.size();
  const ReportLengths dropped = droppedLengths(configuration);
  const CharacterWalk walk(platform);
  // The labels and the error text are always shown whole; the values share
  // the rest of the room.
  const size_t fixed = walk.count(formatReport(ReportValues{}, errorText));
  Lengths lengths{};
  size_t total = fixed;
  for (size_t i = 0; i < count; ++i) {
    lengths[i] = walk.count(values[i]) + dropped[i];
    total += lengths[i];
  }
  if (total <= kMaxWholeReport) {
    return formatReport(values, errorText);
  }
  const Allotments allotted =
      allotments(lengths, kMaxShortenedReport > fixed ? kMaxShortenedReport - fixed : 0);
  std::array<std::string, kReportValueCount> shortened;
  ReportValues shown;
  for (size_t i = 0; i < count; ++i) {
    shortened[i] = shortenedValue(platform, values[i], allotted[i], dropped[i]);
    shown[i] = shortened[i];
  }
  return formatReport(shown, errorText);
}

}  // namespace veltrane
