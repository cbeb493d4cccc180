#include "config/wrapper_configuration.h"

#include <gtest/gtest.h>

#include "support/fake_platform.h"

namespace veltrane {
namespace {

using Config = WrapperConfiguration;

TEST(TextOperations, TrimWhitespaceStripsOnlyTabFeedReturnAndSpace) {
  EXPECT_EQ(Config::trimWhitespace(" \t a b \r\n"), "a b");
  EXPECT_EQ(Config::trimWhitespace("\va"), "\va");  // vertical tab stops trimming
  EXPECT_EQ(Config::trimWhitespace("\fa\f"), "\fa\f");
  EXPECT_EQ(Config::trimWhitespace("\xA0x\xA0"), "\xA0x\xA0");
  EXPECT_EQ(Config::trimWhitespace(""), "");
  EXPECT_EQ(Config::trimWhitespace(" \t\r\n "), "");
}

TEST(TextOperations, LineValueIsTheTrimmedTextAfterTheFirstSpace) {
  EXPECT_EQ(Config::lineValue("param  -x  y"), "-x  y");
  EXPECT_EQ(Config::lineValue("mainclass"), "mainclass");
  EXPECT_EQ(Config::lineValue("vmparam\t-Xmx1g"), "vmparam\t-Xmx1g");  // only a space separates
}

TEST(TextOperations, AppendJoinedPutsNoSeparatorInFrontOfTheFirstValue) {
  std::string target;
  Config::appendJoined(target, "a", ";");
  EXPECT_EQ(target, "a");
  Config::appendJoined(target, "b", ";");
  EXPECT_EQ(target, "a;b");
  std::string path = "path=";
  Config::appendJoined(path, "C:\\bin", ";");
  EXPECT_EQ(path, "path=;C:\\bin");
  Config::replaceText(path, "x");
  EXPECT_EQ(path, "x");
}

TEST(Construction, WithoutConfigurationLinesTheDefaultsStand) {
  FakePlatform platform;
  platform.setEnvironment("PATH", "P");
  auto config = configureFromText(platform, "");
  EXPECT_EQ(config->pathAssignment(), "path=;P");
  EXPECT_EQ(config->classpathArgument(), "");
  EXPECT_EQ(config->jvmCommand(), "javaw.exe");
  EXPECT_EQ(config->quotedJvmCommand(), "\"javaw.exe\"");
  EXPECT_EQ(config->mainClass() + config->vmParams() + config->appParams(), "");
}

TEST(Construction, PathAssignmentEndsWithTheInheritedPathInAnyForm) {
  FakePlatform absent;
  EXPECT_EQ(configureFromText(absent, "")->pathAssignment(), "path=;");
  FakePlatform empty;
  empty.setEnvironment("Path", "");
  EXPECT_EQ(configureFromText(empty, "addsyspath C:\\a")->pathAssignment(), "path=;C:\\a;");
  FakePlatform present;
  present.setEnvironment("PATH", "C:\\Windows");
  EXPECT_EQ(configureFromText(present, "addsyspath C:\\a\naddsyspath C:\\b")->pathAssignment(),
            "path=;C:\\a;C:\\b;C:\\Windows");
  // A long inherited path is taken whole, not cut at a buffer's size.
  FakePlatform longPath;
  const std::string inherited = std::string(5000, 'x') + ";C:\\last";
  longPath.setEnvironment("PATH", inherited);
  EXPECT_EQ(configureFromText(longPath, "")->pathAssignment(), "path=;" + inherited);
}

TEST(Construction, RepeatedKeysReplaceOrAppend) {
  FakePlatform platform;
  auto config = configureFromText(platform,
                                  "jvm C:\\one\\javaw.exe\njvm C:\\my java\\javaw.exe\n"
                                  "vmparam -Xmx1g\nvmparam -Dx=1\nparam a\nparam b c\n"
                                  "mainclass a.First\nmainclass b.Second\n");
  EXPECT_EQ(config->jvmCommand(), "C:\\my java\\javaw.exe");
  EXPECT_EQ(config->quotedJvmCommand(), "\"C:\\my java\\javaw.exe\"");
  EXPECT_EQ(config->vmParams(), "-Xmx1g -Dx=1");
  EXPECT_EQ(config->appParams(), "a b c");
  EXPECT_EQ(config->mainClass(), "b.Second");
}

TEST(Construction, TextsTooLongToLaunchKeepTheirStartAndCountTheRest) {
  const size_t kept = kMaxKeptText;
  const std::string a(kept + 1000, 'a');
  const std::string blanks(3 * kept, ' ');
  struct Case {
    std::string config;
    std::string appParams;
    size_t dropped;
    std::string jvmCommand = "javaw.exe";
    std::string mainClass = "";
  };
  const std::string x(2 * kMaxKeptText + 10, 'x');
  const std::string word = ("param" + x).substr(0, kept);  // a first word kept in part
  const Case cases[] = {
      {"param " + a, a.substr(0, kept), 1000},
      {"param " + a + " \t #" + a + "\r\n", a.substr(0, kept), 1000},  // no comment counts
      {"param " + a + a + "  b", a.substr(0, kept), 2 * a.size() + 3 - kept},
      {"param x\nparam " + a, "x " + a.substr(0, kept - 2), 1002},
      {"param " + a.substr(0, kept - 1) + std::string(kept + 10, ' ') + "b", a.substr(0, kept - 1),
       kept + 11},  // blanks at the end of the kept part are inside the value
      // What decides a line's effect is kept however far it lies.
      {blanks + "jvm x", "", 0, "x"},
      {"param" + blanks + "x" + blanks, "x", 0},
      {"jvm" + a + " C:\\j.exe", "", 0, "C:\\j.exe"},
      {"jvm" + a + a, "", 0, "jvm" + a.substr(0, kept - 3)},
      // A first word is counted to its end: up to a space, a NUL or a comment.
      {"param" + x, word, 5 + x.size() - kept},
      {std::string("param\0", 6) + x, "param", 0},
      {"param" + x + std::string("\0yyy", 4), word, 5 + x.size() - kept},
      {"param" + x + "\tv", word, 5 + x.size() - kept + 2},  // a tab is no space
      // A later short line replaces one kept in part.
      {"jvm " + a + "\njvm C:\\j.exe", "", 0, "C:\\j.exe"},
      {"mainclass " + a + "\nmainclass a.Main", "", 0, "javaw.exe", "a.Main"},
  };
  for (const Case& c : cases) {
    FakePlatform platform;
    auto config = configureFromText(platform, c.config);
    EXPECT_TRUE(config->appParams() == c.appParams) << c.appParams.size();
    EXPECT_EQ(config->droppedLengths().appParams, c.dropped) << c.appParams.size();
    EXPECT_TRUE(config->jvmCommand() == c.jvmCommand) << config->jvmCommand().size();
    EXPECT_TRUE(config->mainClass() == c.mainClass) << config->mainClass().size();
  }
}

}  // namespace
}  // namespace veltrane
