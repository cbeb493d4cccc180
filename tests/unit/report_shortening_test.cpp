#include "launcher/report_shortening.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "launcher/failure_report.h"
#include "support/fake_platform.h"

namespace veltrane {
namespace {

TEST(ShortenedValue, KeepsTheStartAndTheEndAndCountsWhatIsLeftOut) {
  FakePlatform platform;
  platform.leadBytes = {0x81};
  std::string pairs;
  for (int i = 0; i < 50; ++i) {
    pairs += "\x81\x41";
  }
  std::string wrapping;
  for (int i = 0; i < 300; ++i) {
    wrapping += "C:\\lib\\j.jar;";
  }
  std::string slashes;
  for (int i = 0; i < 50; ++i) {
    slashes += std::string(60, 'x') + "/";
  }
  std::string words;
  for (int i = 0; i < 40; ++i) {
    words += std::string(64, 'y') + " ";
  }
  const std::string twoRuns = std::string(100, 'P') + " " + std::string(100, 'Q') + " " + wrapping;
  const std::string han = "\xE4\xB8\xAD";  // one character, three bytes in UTF-8
  std::string hans;
  for (int i = 0; i < 50; ++i) {
    hans += han;
  }
  // A four-byte character, then bytes that start no whole character.
  const std::string mixed = "\xF0\x9F\x98\x80" + std::string(60, 'z') + "\xE4\xB8\xFF\xC0\x80";
  // An overlong form and a surrogate are three characters each, not one.
  std::string overlong;
  std::string surrogate;
  for (int i = 0; i < 400; ++i) {
    overlong += "\xE0\x80\x80";
    surrogate += "\xED\xA0\x80";
  }
  struct Case {
    std::string value;
    size_t maxLength;
    std::string shortened;
    bool utf8 = false;
    size_t dropped = 0;  // characters counted behind the value, never kept
  };
  const Case cases[] = {
      {"abc", 3, "abc"},
      {std::string(1000, 'a') + std::string(1000, 'b'), 100,
       std::string(38, 'a') + "...[1,924 characters]..." + std::string(38, 'b')},
      {std::string(1234600, 'x'), 100,
       std::string(36, 'x') + "...[1,234,528 characters]..." + std::string(36, 'x')},
      // A run without a line break keeps only 64 characters at each end,
      // where text that wraps keeps as much as fits.
      {"-Dp=" + std::string(3000, 'x'), 1000,
       "-Dp=" + std::string(61, 'x') + "...[2,875 characters]..." + std::string(64, 'x')},
      {wrapping, 1000,
       wrapping.substr(0, 488) + "...[2,924 characters]..." + wrapping.substr(3900 - 488)},
      // Characters are counted and cut whole: double-byte ones, and UTF-8
      // sequences in the UTF-8 code page.
      {pairs, 40, pairs.substr(0, 20) + "...[31 characters]..." + pairs.substr(82)},
      {hans, 40, hans.substr(0, 30) + "...[31 characters]..." + hans.substr(123), true},
      {mixed, 40, mixed.substr(0, 13) + "...[47 characters]..." + mixed.substr(60), true},
      {overlong, 100, overlong.substr(0, 38) + "...[1,124 characters]..." + overlong.substr(1162),
       true},
      {surrogate, 100,
       surrogate.substr(0, 38) + "...[1,124 characters]..." + surrogate.substr(1162), true},
      {std::string(39, 'a') + "\x81", 40, std::string(39, 'a') + "\x81"},  // the lead counts once
      // The head gets the larger half of an odd room.
      {std::string(1000, 'a') + std::string(1000, 'b'), 101,
       std::string(39, 'a') + "...[1,923 characters]..." + std::string(38, 'b')},
      // "/" breaks a run, and a run of exactly 64 is not long.
      {slashes, 1000, slashes.substr(0, 488) + "...[2,074 characters]..." + slashes.substr(2562)},
      {words, 1000, words.substr(0, 488) + "...[1,624 characters]..." + words.substr(2112)},
      // The head stops in the first long run, the tail in the last one.
      {twoRuns, 1000, twoRuns.substr(0, 64) + "...[3,550 characters]..." + twoRuns.substr(3614)},
      // Of a value kept in part, the start shows and the rest is counted.
      {std::string(100, 'x'), 40, std::string(16, 'x') + "...[1,084 characters]...", false, 1000},
  };
  for (const Case& c : cases) {
    platform.utf8CodePage = c.utf8;
    EXPECT_EQ(shortenedValue(platform, c.value, c.maxLength, c.dropped), c.shortened)
        << c.maxLength;
  }
}

class ShortenedReport : public ::testing::Test {
 protected:
  std::string report(const std::string& configText) {
    config = configureFromText(platform, configText);
    return shortenedReport(platform, "Veltrane", *config, "C:\\apps\\tool.exe", "No error");
  }
  FakePlatform platform;
  std::unique_ptr<WrapperConfiguration> config;
};

TEST_F(ShortenedReport, AReportThatFitsIsShownWhole) {
  const size_t room = kMaxWholeReport - report("param x").size() + 1;
  const std::string fits = report("param " + std::string(room, 'x'));
  EXPECT_EQ(fits.size(), kMaxWholeReport);
  EXPECT_EQ(fits, failureReport("Veltrane", *config, "C:\\apps\\tool.exe", "No error"));
  const std::string longer = report("param " + std::string(room + 1, 'x'));
  EXPECT_LE(longer.size(), kMaxShortenedReport);
  EXPECT_NE(longer.find(" characters]...xxx"), std::string::npos);
}

TEST_F(ShortenedReport, LongValuesShareTheRoomAndShortOnesStayWhole) {
  std::string jars;
  for (int i = 0; i < 20000; ++i) {
    jars += "addpath C:\\apps\\lib\\j" + std::to_string(i) + ".jar\n";
  }
  std::string params;
  for (int i = 0; i < 500; ++i) {
    params += "-Dk=v ";
  }
  const std::string shown =
      report("jvm C:\\java\\javaw.exe\nmainclass a.Main\n" + jars + "param " + params + "end");
  EXPECT_LE(shown.size(), kMaxShortenedReport);
  EXPECT_GE(shown.size(), kMaxShortenedReport - 4) << "the shortened report fills its room";
  const std::string first = shown.substr(0, shown.find('\n'));
  EXPECT_EQ(first.find("Couldn't start Veltrane using \"C:\\java\\javaw.exe  -classpath "
                       "\"C:\\apps\\lib\\j0.jar;C:\\apps\\lib\\j1.jar;"),
            0u);
  EXPECT_NE(first.find("C:\\apps\\lib\\j19999.jar;\" a.Main -Dk=v -Dk=v"), std::string::npos);
  EXPECT_NE(first.find("-Dk=v end\"."), std::string::npos);
  // Both long values lose their middle and keep about as much as each other.
  const size_t classpathMark = first.find("...[");
  const size_t paramsMark = first.find("...[", classpathMark + 1);
  ASSERT_NE(paramsMark, std::string::npos);
  EXPECT_EQ(first.find("...[", paramsMark + 1), std::string::npos);
  const size_t classpathShown = first.find(" a.Main ") - first.find("-classpath");
  const size_t paramsShown = first.size() - first.find(" a.Main ") - 10;
  EXPECT_LE(std::max(classpathShown, paramsShown) - std::min(classpathShown, paramsShown), 2u);
  EXPECT_EQ(shown.substr(shown.find('\n')),
            "\nConfigfile: C:\\apps\\tool.config\ncommandline: C:\\apps\\tool.exe\n"
            "Error Message: No error");
}

TEST_F(ShortenedReport, EachValueIsMeasuredWholeAndInCharacters) {
  std::string dashed;
  for (int i = 0; i < 625; ++i) {
    dashed += "-abcdefg";
  }
  const std::string three =
      report("vmparam " + dashed + "\nmainclass " + dashed.substr(0, 440) + "\nparam " + dashed);
  size_t marks = 0;
  for (size_t at = three.find("...["); at != std::string::npos; at = three.find("...[", at + 1)) {
    ++marks;
  }
  EXPECT_EQ(marks, 2u) << "the main class fits its share and stays whole";
  // A VM kept in part counts all it dropped, not what another value dropped.
  const std::string jvm = report("jvm " + std::string(kMaxKeptText + 1000, 'j') + "\nvmparam -x");
  EXPECT_NE(jvm.find(std::string(64, 'j') + "...[1,049,512 characters]... -x "), std::string::npos);
  // UTF-8: a two-byte letter is one character.
  platform.utf8CodePage = true;
  std::string accents;
  for (int i = 0; i < 700; ++i) {
    accents += "\xC3\xA9";
  }
  const std::string fits = report("param " + std::string(1000, 'x') + accents);
  EXPECT_EQ(fits, failureReport("Veltrane", *config, "C:\\apps\\tool.exe", "No error"));
  const std::string cut = report("param " + std::string(3000, 'x') + accents);
  EXPECT_NE(
      cut.find(std::string(64, 'x') + "...[3,572 characters]..." + accents.substr(1272) + "\"."),
      std::string::npos);
}

}  // namespace
}  // namespace veltrane
