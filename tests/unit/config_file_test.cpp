#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/text_mode.h"
#include "launcher/argument_tail.h"
#include "support/fake_platform.h"

namespace veltrane {
namespace {

using Lines = std::vector<std::string>;

TEST(TextModeLines, ReadsLikeTheRuntimesTextMode) {
  EXPECT_EQ(textModeLines("a\r\nb\nc"), (Lines{"a", "b", "c"}));
  EXPECT_EQ(textModeLines("a\rb\r\r\n"), (Lines{"a\rb\r"}));  // a lone CR stays
  EXPECT_EQ(textModeLines("a\nb\r"), (Lines{"a", "b\r"}));    // at the very end too
  EXPECT_EQ(textModeLines("a\nb\032c\nd"), (Lines{"a", "b"}));
  EXPECT_EQ(textModeLines(std::string_view("ab\0cd\nef", 8)), (Lines{"ab", "ef"}));
  EXPECT_EQ(textModeLines(std::string_view("ab\nc\0d", 6)), (Lines{"ab", "c"}));
  EXPECT_EQ(textModeLines("\xEF\xBB\xBFjvm x\n\xEF\xBB\xBFjvm y"),
            (Lines{"jvm x", "\xEF\xBB\xBFjvm y"}));
  EXPECT_EQ(textModeLines(""), Lines{});
  EXPECT_EQ(textModeLines("\n\n"), (Lines{"", ""}));
}

TEST(TextModeLines, LongLinesArriveWhole) {
  const std::string longLine = "param " + std::string(5000, 'v');
  const std::string text = longLine + "\njvm x\n";
  EXPECT_EQ(textModeLines(text), (Lines{longLine, "jvm x"}));
}

struct Located {
  std::string configFilePath;
  std::string commandLineAfter;
};

Located locate(const std::string& commandLine, LaunchMode mode = LaunchMode::kClassic,
               const std::string& program = "") {
  FakePlatform platform;
  platform.setCommandLine(commandLine);
  platform.mode = mode;
  platform.program = program;
  WrapperConfiguration config(platform, argumentTail(platform.commandLine(), platform));
  return {config.configFilePath(), platform.commandLine()};
}

TEST(ReadConfigFile, LocatesTheFileFromTheTailOrTheProgramPath) {
  struct Case {
    const char* commandLine;
    const char* configFilePath;
    const char* commandLineAfter;
  };
  const Case cases[] = {
      {"C:\\apps\\tool.exe", "C:\\apps\\tool.config", "C:\\apps\\tool.exe"},
      {"\"C:\\my apps\\tool.exe\"", "C:\\my apps\\tool.config", "\"C:\\my apps\\tool.exe"},
      {"\"C:\\my apps\\tool.exe\"  ", "C:\\my apps\\tool.config", "\"C:\\my apps\\tool.exe"},
      {"\"C:\\apps\\tool.exe", "C:\\apps\\tool.config", ""},  // no partner: cut at the quote
      {"C:\\x.exe.d\\tool.exe", "C:\\x.exe.d\\tool.config", "C:\\x.exe.d\\tool.exe"},
      {"tool", ".config", "tool"},
      {"C:\\APPS\\TOOL.EXE", ".config", "C:\\APPS\\TOOL.EXE"},  // ".exe" is case-sensitive
      {"tool.exe other.cfg", "other.cfg", "tool.exe other.cfg"},
      {"tool.exe D:\\cfg files\\a.cfg", "D:\\cfg files\\a.cfg", "tool.exe D:\\cfg files\\a.cfg"},
      {"tool.exe \"D:\\cfg files\\a.cfg\" ignored", "D:\\cfg files\\a.cfg",
       "tool.exe \"D:\\cfg files\\a.cfg"},
      {"tool.exe \"D:\\cfg files\\a.cfg", "D:\\cfg files\\a.cfg", "tool.exe "},
  };
  for (const Case& c : cases) {
    const Located located = locate(c.commandLine);
    EXPECT_EQ(located.configFilePath, c.configFilePath) << c.commandLine;
    EXPECT_EQ(located.commandLineAfter, c.commandLineAfter) << c.commandLine;
  }
}

TEST(ReadConfigFile, AppModeReadsTheFileOfTheRunningExeAndLeavesTheCommandLineWhole) {
  struct Case {
    const char* program;
    const char* commandLine;
    const char* configFilePath;
  };
  const Case cases[] = {
      {"C:\\Apps\\ACMEDRAW.EXE", "ACMEDRAW", "C:\\Apps\\ACMEDRAW.config"},
      {"C:\\my apps\\tool.exe", "\"C:\\my apps\\tool.exe\" \"D:\\a.cfg\" x",
       "C:\\my apps\\tool.config"},
      {"C:\\x.exe.d\\tool", "tool other.cfg", "C:\\x.exe.d\\tool.config"},
      {"C:\\x.d\\tool.v2.Exe", "\"tool", "C:\\x.d\\tool.v2.config"},
  };
  for (const LaunchMode mode : {LaunchMode::kApp, LaunchMode::kConsole}) {
    for (const Case& c : cases) {
      const Located located = locate(c.commandLine, mode, c.program);
      EXPECT_EQ(located.configFilePath, c.configFilePath) << c.program;
      EXPECT_EQ(located.commandLineAfter, c.commandLine) << c.program;
    }
  }
}

TEST(ReadConfigFile, CommentsBlanksAndPrefixesAreHandledPerLine) {
  FakePlatform platform;
  auto config = configureFromText(platform,
                                  "# whole line\n"
                                  "  # note\n"
                                  "\t\n"
                                  "jvm C:\\j#1\\javaw.exe\n"
                                  "  mainclass  a.Main  # trailing comment\r\n"
                                  "vmparam -Dk=v\x1Avmparam -Dlost=1\n");
  EXPECT_EQ(config->jvmCommand(), "C:\\j");
  EXPECT_EQ(config->mainClass(), "a.Main");
  EXPECT_EQ(config->vmParams(), "-Dk=v");
  EXPECT_EQ(config->configFileError(), 0u);
}

TEST(ReadConfigFile, ByteOrderMarkAndLongLinesDoNotLoseSettings) {
  FakePlatform platform;
  const std::string longValue(5000, 'a');
  // Were the long line cut into pieces, its tail would start with a key.
  const std::string text = "\xEF\xBB\xBFmainclass m.Main\nparam " + longValue + "jvm injected\n";
  auto config = configureFromText(platform, text);
  EXPECT_EQ(config->mainClass(), "m.Main");
  EXPECT_EQ(config->appParams(), longValue + "jvm injected");
  EXPECT_EQ(config->jvmCommand(), "javaw.exe");
}

TEST(ReadConfigFile, AnUnreadableFileKeepsTheDefaultsAndItsError) {
  FakePlatform missing;
  missing.setCommandLine("tool.exe C:\\none.cfg");
  WrapperConfiguration config(missing, argumentTail(missing.commandLine(), missing));
  EXPECT_EQ(config.configFilePath(), "C:\\none.cfg");
  EXPECT_EQ(config.configFileError(), kErrorFileNotFound);
  EXPECT_EQ(config.jvmCommand(), "javaw.exe");

  FakePlatform folder;
  folder.addDirectory("C:\\cfg");
  folder.setCommandLine("tool.exe C:\\cfg");
  WrapperConfiguration folderConfig(folder, argumentTail(folder.commandLine(), folder));
  EXPECT_EQ(folderConfig.configFileError(), kErrorAccessDenied);
}

TEST(ReadConfigFile, AReadErrorKeepsWhatWasReadAndABrokenPipeIsTheEnd) {
  const std::string text = "mainclass a.Main\nparam x\njvm C:\\j\\javaw.exe\n";
  const size_t middleOfTheLastLine = text.rfind("javaw");
  struct Case {
    SystemError error;
    SystemError configFileError;
    const char* jvmCommand;
  };
  // The line a broken pipe ends is applied as far as it was written; the
  // line a read error cuts short is dropped.
  for (const Case& c : {Case{kErrorBrokenPipe, 0u, "C:\\j\\"}, Case{59, 59u, "javaw.exe"}}) {
    FakePlatform platform;
    platform.readErrors["C:\\apps\\tool.config"] = {middleOfTheLastLine, c.error};
    auto config = configureFromText(platform, text);
    EXPECT_EQ(config->mainClass(), "a.Main");
    EXPECT_EQ(config->appParams(), "x");
    EXPECT_EQ(config->jvmCommand(), c.jvmCommand);
    EXPECT_EQ(config->configFileError(), c.configFileError);
  }
}

}  // namespace
}  // namespace veltrane
