#include <gtest/gtest.h>

#include "config/app_mode.h"
#include "support/fake_platform.h"

namespace veltrane {
namespace {

struct KeyCase {
  const char* line;
  const char* jvmCommand;
  const char* vmParams;
  const char* appParams;
  const char* mainClass;
};

TEST(ApplyLine, KeysMatchOnTheirLengthInTableOrderAndCaseSensitively) {
  const KeyCase cases[] = {
      {"jvm x", "x", "", "", ""},
      {"jvmx y", "y", "", "", ""},                 // only the key's length is compared
      {"jvm", "jvm", "", "", ""},                  // no space: the whole line is the value
      {"Jvm x", "javaw.exe", "", "", ""},          // case matters
      {"jv x", "javaw.exe", "", "", ""},           // shorter than every key
      {"myjvm x", "javaw.exe", "", "", ""},        // a key only at the start of the line
      {"parameter x", "javaw.exe", "", "x", ""},   // "param" is a prefix
      {"vmparams -a", "javaw.exe", "-a", "", ""},  // "vmparam" wins before "param"
      {"vmparam\t-Xmx1g", "javaw.exe", "vmparam\t-Xmx1g", "", ""},
      {"mainclass a.B", "javaw.exe", "", "", "a.B"},
      {"mainclassX a.B", "javaw.exe", "", "", "a.B"},
      {"unknown key", "javaw.exe", "", "", ""},
  };
  for (const KeyCase& c : cases) {
    FakePlatform platform;
    auto config = configureFromText(platform, "");
    config->applyLine(c.line);
    EXPECT_EQ(config->jvmCommand(), c.jvmCommand) << c.line;
    EXPECT_EQ(config->vmParams(), c.vmParams) << c.line;
    EXPECT_EQ(config->appParams(), c.appParams) << c.line;
    EXPECT_EQ(config->mainClass(), c.mainClass) << c.line;
  }
}

TEST(ApplyLine, ListsUseTheirOwnSeparators) {
  FakePlatform platform;
  auto config = configureFromText(platform,
                                  "addsyspath C:\\n1\naddsyspath C:\\n2\naddpath C:\\c1\n"
                                  "addpath C:\\c2\nvmparam -a\nvmparam -b\nparam x\nparam y\n");
  EXPECT_EQ(config->pathAssignment(), "path=;C:\\n1;C:\\n2;");
  EXPECT_EQ(config->classpathArgument(), "-classpath \"C:\\c1;C:\\c2;\"");
  EXPECT_EQ(config->vmParams(), "-a -b");
  EXPECT_EQ(config->appParams(), "x y");
}

TEST(ScanJarDirectory, AddsFilesInSystemOrderAndSkipsFoldersByTheListingAlone) {
  for (const char* folder : {"C:/app/lib", "C:\\app\\lib\\", "C:\\app/lib"}) {
    FakePlatform platform;
    platform.listings["C:\\app\\lib\\*.jar"] = {"b.jar", "a.jar", "old.jar", "ro.jar"};
    platform.addFile("C:\\app\\lib\\a.jar");
    platform.addFile("C:\\app\\lib\\b.jar");
    platform.addDirectory("C:\\app\\lib\\old.jar");
    platform.addDirectory("C:\\app\\lib\\ro.jar", kAttributeDirectory | 0x03);  // read-only, hidden
    auto config = configureFromText(platform, std::string("addjars ") + folder);
    EXPECT_EQ(config->classpathArgument(), "-classpath \"C:\\app\\lib\\b.jar;C:\\app\\lib\\a.jar\"")
        << folder;
    EXPECT_TRUE(platform.attributeQueries.empty()) << "no query per jar";
  }
}

TEST(ScanJarDirectory, MissingDirectoriesAddNothingAndLaterOnesFollowInFileOrder) {
  FakePlatform platform;
  platform.listings["C:\\one\\*.jar"] = {"x.jar"};
  platform.listings["C:\\two\\*.jar"] = {"y.jar"};
  platform.addFile("C:\\one\\x.jar");
  platform.addFile("C:\\two\\y.jar");
  auto config =
      configureFromText(platform, "addjars C:\\two\naddjars C:\\missing\naddjars C:\\one");
  EXPECT_EQ(config->classpathArgument(), "-classpath \"C:\\two\\y.jar;C:\\one\\x.jar\"");
}

struct ExpansionCase {
  const char* line;
  const char* expanded;
  const char* program = "C:\\my apps\\tool.exe";
};

TEST(ApplyLine, AppModeExpandsTheExeFolderAndEnvironmentVariablesInEveryValue) {
  const ExpansionCase cases[] = {
      {"param %EXEDIR%\\data", "C:\\my apps\\data"},
      {"param %exedir%", "C:\\my apps"},  // names ignore case
      {"param -Dh=%Home%;%HOME%", "-Dh=C:\\u;C:\\u"},
      {"param %UNDEFINED% %%", "%UNDEFINED% %%"},  // stays as written
      {"param 100% %HOME% 5%", "100% C:\\u 5%"},   // a lone sign is text
      {"param %TWICE%", "%HOME%"},                 // not expanded again
      {"param %HOME%%EXEDIR%", "C:\\uC:\\my apps"},
      // Backslashes that would escape the closing quote are doubled, no others.
      {"param \"-Dj=%JDK%\" %JDK% -x", "\"-Dj=C:\\jdk\\\\\" C:\\jdk\\ -x"},
      // A drive's root keeps its backslash, and is not given a second one.
      {"param %EXEDIR% \"%EXEDIR%\" \"%EXEDIR%\\lib\" %EXEDIR%/x",
       "C:\\ \"C:\\\\\" \"C:\\lib\" C:/x", "C:\\tool.exe"},
      {"param %EXEDIR%", "/home/u/app", "/home/u/app/Tool.exe"},
  };
  for (const LaunchMode mode : {LaunchMode::kApp, LaunchMode::kConsole}) {
    for (const ExpansionCase& c : cases) {
      FakePlatform platform;
      platform.mode = mode;
      platform.program = c.program;
      platform.setEnvironment("HOME", "C:\\u");
      platform.setEnvironment("TWICE", "%HOME%");
      platform.setEnvironment("JDK", "C:\\jdk\\");
      platform.addFile(configPathOfProgram(c.program), c.line);
      char tail[] = "";
      const WrapperConfiguration config(platform, tail);
      EXPECT_EQ(config.appParams(), c.expanded) << c.line;
    }
  }
  // Many references to a long variable keep a bounded text and count the rest.
  FakePlatform platform;
  platform.setEnvironment("LONG", std::string(1000, 'v'));
  size_t dropped = 2;
  EXPECT_EQ(expandValue(platform, "a%LONG%%LONG%b%x", "C:\\e", 1500, dropped),
            "a" + std::string(1499, 'v'));
  EXPECT_EQ(dropped, 2u + 504);
}

TEST(ApplyLine, AppModeExpandsBeforeTheKeyUsesTheValue) {
  FakePlatform platform;
  platform.mode = LaunchMode::kApp;
  platform.setEnvironment("PATH", "C:\\%HOME%");
  platform.setEnvironment("HOME", "C:\\u");
  platform.setEnvironment("LIBS", "%EXEDIR%\\more;C:\\x");
  platform.listings["C:\\apps\\lib\\*.jar"] = {"a.jar"};
  platform.addFile("C:\\apps\\lib\\a.jar");
  auto config = configureFromText(platform,
                                  "jvm %EXEDIR%\\jre\\bin\\javaw.exe\naddjars %EXEDIR%/lib\n"
                                  "addpath %LIBS%\naddpath %EXEDIR%\\lib\\a.jar\n"
                                  "addsyspath %EXEDIR%\\native\nvmparam \"-Dapp.home=%EXEDIR%\"\n"
                                  "mainclass %MAIN%\n");
  EXPECT_EQ(config->quotedJvmCommand(), "\"C:\\apps\\jre\\bin\\javaw.exe\"");
  // "addpath" splits the expanded text: the explicit jar drops the listed one.
  EXPECT_EQ(config->classpathArgument(),
            "-classpath \"%EXEDIR%\\more;C:\\x;C:\\apps\\lib\\a.jar;\"");
  // The inherited PATH is taken as it is.
  EXPECT_EQ(config->pathAssignment(), "path=;C:\\apps\\native;C:\\%HOME%");
  EXPECT_EQ(config->vmParams(), "\"-Dapp.home=C:\\apps\"");
  EXPECT_EQ(config->mainClass(), "%MAIN%");

  FakePlatform classic;
  EXPECT_EQ(configureFromText(classic, "param %EXEDIR% %PATH%")->appParams(), "%EXEDIR% %PATH%");
}

}  // namespace
}  // namespace veltrane
