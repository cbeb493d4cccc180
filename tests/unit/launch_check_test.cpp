#include "check/launch_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <utility>

#include "check/report_formats.h"
#include "launcher/launch_main.h"
#include "support/fake_platform.h"
#include "support/java_bytes.h"

namespace veltrane::check {

using std::string_literals::operator""s;
namespace {

using Found = std::vector<std::pair<std::string, size_t>>;  // code and line

const std::string kConfig = "C:\\apps\\tool.config";
// Two lines that make a clean launch; the rows add their mistakes behind.
const std::string kGood = "jvm C:\\java\\bin\\javaw.exe\nmainclass a.Main\n";
// The VM and the app's jars, for rows that name a main class behind.
const std::string kJava = "jvm C:\\java\\bin\\javaw.exe\naddjars C:\\apps\\notes\n";

// An app's jar in C:\apps\notes, its module in C:\apps\mods, and a jar that
// is no zip in C:\apps\broken.
void furnishJava(FakePlatform& platform) {
  const std::string p = "com/orbit/notes/";
  const std::vector<TestMethod> none;
  platform.addFile(
      "C:\\apps\\notes\\notes.jar",
      jarBytes(
          {{"META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\nMulti-Release: true\r\n\r\n"},
           {p + "Main.class", classBytes(p + "Main"), true},
           {p + "NoMain.class", classBytes(p + "NoMain", "java/lang/Object", 61, none)},
           {p + "Child.class", classBytes(p + "Child", p + "Main", 61, none)},
           {p + "View.class", classBytes(p + "View", p + "Base", 61, none)},
           {p + "Base.class", classBytes(p + "Base", "javafx/application/Application", 61, none)},
           {p + "Frame.class", classBytes(p + "Frame", "javax/swing/JFrame", 61, none)},
           {p + "New.class", classBytes(p + "New", "java/lang/Object", 65)},
           {p + "Script.class",
            classBytes(p + "Script", "java/lang/Object", 61, {{"main", "()V", 0}})},
           {"META-INF/versions/17/" + p + "Later.class", classBytes(p + "Later")},
           {"META-INF/versions/21/" + p + "Newest.class", classBytes(p + "Newest")}}));
  platform.addFile("C:\\apps\\mods\\notes.jar",
                   jarBytes({{"module-info.class", moduleInfoBytes("com.orbit.notes", p + "Start")},
                             {p + "Main.class", classBytes(p + "Main")}}));
  platform.addFile("C:\\apps\\broken\\old.jar", "not a zip");
  platform.addDirectory("C:\\apps\\notes\\");
  platform.addDirectory("C:\\apps\\mods");
  platform.addDirectory("C:\\apps\\broken\\");
  platform.listings["C:\\apps\\notes\\*.jar"] = {"notes.jar"};
  platform.listings["C:\\apps\\mods\\*.jar"] = {"notes.jar"};
  platform.listings["C:\\apps\\broken\\*.jar"] = {"old.jar"};
  platform.addDirectory("C:\\apps\\lib");
  platform.listings["C:\\apps\\*"] = {"classes", "lib", "notes", "tool.config"};
}

// A Windows machine with a VM, a jar folder, an empty folder and a class folder.
void furnish(FakePlatform& platform) {
  platform.setEnvironment("PATH", "C:\\Windows");
  // A program of more than one read piece.
  platform.addFile("C:\\java\\bin\\javaw.exe", "MZ" + std::string(1000, '\x90'));
  platform.addFile("C:\\java\\bin\\run.cmd", "@java %*");
  platform.addFile("C:\\java\\bin\\notes.exe", "text");
  platform.addDirectory("C:\\apps\\classes");
  platform.addDirectory("C:\\apps\\lib\\");
  platform.addDirectory("C:\\apps\\empty\\");
  platform.addFile("C:\\apps\\lib\\a.jar", jarBytes({{"a/Main.class", classBytes("a/Main")}}));
  platform.addFile("C:\\apps\\classes\\a\\Main.class", classBytes("a/Main"));
  platform.listings["C:\\apps\\lib\\*.jar"] = {"a.jar"};
  // A folder that holds only a read-only folder named like a jar.
  platform.addDirectory("C:\\apps\\dirs\\");
  platform.addDirectory("C:\\apps\\dirs\\old.jar", kAttributeDirectory | 0x01);
  platform.listings["C:\\apps\\dirs\\*.jar"] = {"old.jar"};
  platform.addFile("C:\\java\\release", "IMPLEMENTOR=\"x\"\nJAVA_VERSION=\"17.0.2\"\n");
  furnishJava(platform);
  platform.addDirectory("C:\\native\\" + std::string(240, 'n'));
  platform.addDirectory("C:\\" + std::string(300, 'p'));
}

CheckReport check(FakePlatform& platform, const std::string& target, CodePage codePage,
                  bool windows = true, LaunchMode mode = LaunchMode::kClassic) {
  return checkTarget(platform, HostFacts{"C:\\work", windows},
                     CheckRequest{target, codePage, mode});
}

Found found(const CheckReport& report) {
  Found codes;
  for (const Problem& problem : report.problems) {
    codes.emplace_back(problem.code, problem.line);
  }
  std::sort(codes.begin(), codes.end());
  return codes;
}

// Everything the checker can write of a report, and its exit status.
std::string allShown(const CheckReport& report) {
  return gccReport(report) + textReport(report) + "exit status " +
         std::to_string(exitStatusOf(report)) + "\n";
}

struct Row {
  std::string config;
  Found expected;
  std::vector<std::string> shows = {};  // pieces of what allShown gives
  CodePage codePage = CodePage::kAnsi;
  std::function<void(FakePlatform&)> setUp = nullptr;
  LaunchMode mode = LaunchMode::kClassic;
};

TEST(CheckTarget, EachMistakeIsReportedWithItsCodeAndLine) {
  const std::string longVmParam = "vmparam -D=" + std::string(33000, 'x') + "\n";
  const std::string manyNative = [] {
    std::string lines;
    for (int i = 0; i < 140; ++i) {
      lines += "addsyspath C:\\native\\" + std::string(240, 'n') + "\n";
    }
    return lines;
  }();
  const Row rows[] = {
      {kGood, {}},
      {kGood + "vmparam -jar x.jar\n", {}},
      {"jvm C:\\java\\bin\\javaw.exe\nvmparam -jar app.jar\n", {}},  // no main class needed
      {"jvm C:\\java\\bin\\javaw.exe\nvmparam -Xmx1g\t--module=app/a.Main\n", {}},
      {"jvm C:\\java\\bin\\javaw.exe\nvmparam -jarfile\n", {{"no-mainclass", 0}}},
      // Unreadable files leave the defaults: javaw.exe, not on this PATH, and no class.
      {"\xff\xfej\0v\0m\0"s, {{"encoding", 1}, {"jvm-not-found", 0}, {"no-mainclass", 0}}},
      {"j\0v\0m\0 \0x\0"s, {{"encoding", 1}, {"jvm-not-found", 0}, {"no-mainclass", 0}}},
      {kGood + "param Jos\xc3\xa9\n", {{"encoding", 3}}},
      {kGood + "param Jos\xc3\xa9\n", {}, {}, CodePage::kUtf8},
      {kGood + "param Jos\xe9\n", {}},
      {kGood + "param Jos\xe9\n", {{"encoding", 3}}, {}, CodePage::kUtf8},
      {"\xff\xfejvm x\n", {{"encoding", 1}, {"jvm-not-found", 0}, {"no-mainclass", 0}}},
      // Overlong, surrogate, past U+10FFFF, C0 and C1 leads.
      {kGood + "param \xe0\x80\x80\nparam \xed\xa0\x80\nparam \xf4\x90\x80\x80\n"
               "param \xc0\xaf\nparam \xc1\xbf\n",
       {{"encoding", 3}, {"encoding", 4}, {"encoding", 5}, {"encoding", 6}, {"encoding", 7}},
       {":3:8: error", ":4:8: error", ":5:8: error", ":6:7: error", ":7:7: error"},
       CodePage::kUtf8},
      {kGood + "param a\x1amainclass b.C\n", {{"after-end-of-file", 3}}},
      {kGood + "param a\0b\n"s, {{"nul-byte", 3}}},
      {kGood + "x#y\n", {{"unknown-key", 3}}},  // a "#" further on leaves the line
      {kGood + "Mainclass a.B\n  classpath x\n",
       {{"unknown-key", 3}, {"unknown-key", 4}},
       {":3:1: warning", ":4:3: warning"}},
      {kGood + "parameter x\njvmpath C:\\java\\bin\\javaw.exe\n",
       {{"prefix-key", 3}, {"prefix-key", 4}, {"replaced", 4}}},
      {kGood + "vmparam\t-Xmx1g\n", {{"tab-separator", 3}}, {":3:8: error: a tab", "status 2"}},
      {"jvm\tC:\\java\\bin\\javaw.exe\nmainclass\ta.Main\n",
       {{"tab-separator", 1}, {"tab-separator", 2}, {"jvm-not-found", 1}, {"relative-path", 1}},
       {":1:4: error: a tab", ":2:10: error: a tab"}},
      {kGood + "param\t-v\n", {{"tab-separator", 3}}, {":3:6: warning: a tab", "status 1"}},
      {kGood + "param\n", {{"no-value", 3}}},
      {kGood + "param a#b\nparam c # note\nparam d\t# note\n",
       {{"comment-in-value", 3}},
       {":3:8: warning"}},
      {kGood + "mainclass b.C\n", {{"replaced", 3}}},
      {"jvm \"C:\\java\\bin\\javaw.exe\"\nmainclass a.Main\n", {{"quoted-jvm", 1}}},
      {"jvm C:\\nowhere\\javaw.exe\nmainclass a.Main\n", {{"jvm-not-found", 1}}},
      {"jvm C:\\java\\bin\\notes.exe\nmainclass a.Main\n", {{"jvm-not-a-program", 1}}},
      {"jvm C:\\java\\bin\\run.cmd\nmainclass a.Main\n", {}},  // no program image needed
      {"mainclass a.Main\naddsyspath C:\\" + std::string(300, 'p') + "\n",
       {{"path-element-too-long", 2}}},
      {kGood + manyNative, {{"path-truncated", 0}}},
      {kGood + longVmParam, {{"command-line-too-long", 0}}},
      {kGood + "addjars C:\\apps\\gone\naddjars C:/apps/empty\naddjars C:\\apps\\lib\n",
       {{"addjars-missing", 3}, {"addjars-empty", 4}}},
      {kGood + "addjars C:\\apps\\dirs\n", {{"addjars-empty", 3}}},
      // With no jar from addjars, the launcher's ";" ends the class path.
      {kGood + "addpath C:\\apps\\classes;C:\\apps\\gone\naddpath C:\\apps\\lib\\*\n",
       {{"addpath-missing", 3}, {"class-path-empty-entry", 4}}},
      {kGood + "addpath lib\naddjars C:\\apps\\lib\n",
       {{"relative-path", 3}, {"addpath-missing", 3}}},
      {"jvm C:\\java\\bin\\javaw.exe\n",
       {{"no-mainclass", 0}},
       {"hint: add a line such as \"mainclass com.example.Main\"\n"}},
      // Behind -jar or -m, the VM hands the class path to the app as arguments.
      {kGood + "vmparam -Xmx1g\nvmparam -jar app.jar\naddjars C:\\apps\\lib\n",
       {{"jar-with-class-path", 4}},
       {"status 2"}},
      {"jvm C:\\java\\bin\\javaw.exe\nvmparam -m app/a.Main\naddpath C:\\apps\\classes\n",
       {{"jar-with-class-path", 2}, {"class-path-empty-entry", 3}}},
      {kGood + "addsyspath C:\\apps\\classes;C:\\gone\naddsyspath C:\\apps\\classes\n",
       {{"addsyspath-missing", 3}},
       {"\"C:\\gone\" does not exist"}},
      {kGood + "mainclass com/example/Main.class\n", {{"replaced", 3}, {"mainclass-file-name", 3}}},
      {"jvm C:\\java\\bin\\javaw.exe\nmainclass Main.class\n", {{"mainclass-file-name", 2}}},
      {kGood + "addsyspath lib;bin\n",
       {{"relative-path", 3}, {"addsyspath-missing", 3}, {"addsyspath-missing", 3}}},
      {kGood + "addpath C:\\apps\\classes;\n",
       {{"class-path-empty-entry", 3}},
       {"remove the extra"}},
      // The first PATH element of 258 characters ends the search.
      {"mainclass a.Main\naddsyspath C:\\" + std::string(255, 'q') + "\naddsyspath C:\\" +
           std::string(300, 'p') + "\n",
       {{"path-element-too-long", 2}, {"addsyspath-missing", 2}}},
      {kGood + "vmparam -D=" + std::string(32730, 'x') + "\n", {}, {"(32766 of 32766"}},
      {kGood + "vmparam -D=" + std::string(32731, 'x') + "\n", {{"command-line-too-long", 0}}},
      // No more of a value is kept than can ever start; the rest is counted.
      {kGood + "param " + std::string(40000, 'x') + "\n",
       {{"command-line-too-long", 0}},
       {"x...[7239 more characters]\n", "x...[7233 more characters]\n", "(40033 of 32766"}},
      {kGood + "param x\n",
       {{"config-unreadable", 2}},
       {"reading stopped after line 2: "},
       CodePage::kAnsi,
       [](FakePlatform& p) {
         p.readErrors[kConfig] = {kGood.size(), kErrorAccessDenied};
       }},
      {kGood,
       {{"jvm-not-startable", 1}},
       {},
       CodePage::kAnsi,
       [](FakePlatform& p) { p.attributeErrors["C:\\java\\bin\\javaw.exe"] = kErrorAccessDenied; }},
      {kGood,
       {{"config-unreadable", 0}, {"jvm-not-found", 0}, {"no-mainclass", 0}},
       {},
       CodePage::kAnsi,
       [](FakePlatform& p) {
         p.readErrors[kConfig] = {0, kErrorAccessDenied};  // opened, then unreadable
       }},
      // App mode: values are expanded with the checker's environment.
      {kGood + "addjars %EXEDIR%\\lib\nparam %NOT_SET% %PATH%\n",
       {{"undefined-variable", 4}},
       {":4:7: warning: \"%NOT_SET%\" is not defined", "addjars: 1 jar in C:\\apps\\lib"},
       CodePage::kAnsi,
       nullptr,
       LaunchMode::kApp},
      {kGood + "vmparam -Dhome=%APPS%\nparam \"%APPS%\"\n",
       {{"blank-in-argument", 3}},
       {"the VM gets 2 arguments where 1 was written", R"(e.g. "-Dapp.home=%EXEDIR%")"},
       CodePage::kAnsi,
       [](FakePlatform& p) { p.setEnvironment("Apps", "C:\\Program Files"); },
       LaunchMode::kApp},
      {kGood + "addpath lib\n",
       {{"relative-path", 3}, {"addpath-missing", 3}, {"class-path-empty-entry", 3}},
       {"start it from the launcher's folder: \"%EXEDIR%\\lib\""},
       CodePage::kAnsi,
       nullptr,
       LaunchMode::kApp},
      {kGood,
       {{"config-unreadable", 0}, {"jvm-not-found", 0}, {"no-mainclass", 0}},
       {"the launcher would show its report and start no VM"},
       CodePage::kAnsi,
       [](FakePlatform& p) {
         p.readErrors[kConfig] = {0, kErrorAccessDenied};
       },
       LaunchMode::kApp},
      // The main class as the VM would look for it: in the jars, with a main
      // method, compiled for the VM's Java 17 (its release file).
      {kJava + "mainclass com.orbit.notes.Mian\n",
       {{"main-class-not-found", 3}},
       {":3:11: error", "did you mean com.orbit.notes.Main?"}},
      {kJava + "mainclass com.orbit.notes.NoMain\n", {{"no-main-method", 3}}},
      {kJava + "mainclass com.orbit.notes.Child\n", {}},  // main inherited
      {kJava + "mainclass com.orbit.notes.View\n", {}},   // a JavaFX Application
      {kJava + "mainclass com.orbit.notes.Frame\n", {{"main-method-not-checkable", 3}}},
      {kJava + "mainclass com.orbit.notes.New\n",
       {{"class-version", 3}},
       {"compiled for Java 21, the runtime is 17.0.2"}},
      {kJava + "mainclass com.orbit.notes.Script\n", {{"no-main-method", 3}}},
      {kJava + "mainclass com.orbit.notes.Script\n",  // Java 25 starts an instance main()
       {},
       {},
       CodePage::kAnsi,
       [](FakePlatform& p) { p.addFile("C:\\java\\release", "JAVA_VERSION=\"25\"\n"); }},
      {kJava + "mainclass com.orbit.notes.Later\n", {}},  // in META-INF/versions/17/ only
      {kJava + "mainclass com.orbit.notes.Newest\n", {{"main-class-not-found", 3}}},
      {kJava + "addjars C:\\apps\\broken\nmainclass com.orbit.notes.Mian\n",
       {{"jar-unreadable", 3}},
       {"1 jar of the class path cannot be read"}},
      {"jvm C:\\java\\bin\\javaw.exe\nvmparam --module-path\nvmparam \"%EXEDIR%\\mods\"\n"
       "mainclass -m com.orbit.notes/com.orbit.notes.Mian\n",
       {{"main-class-not-found", 4}},
       {},
       CodePage::kAnsi,
       nullptr,
       LaunchMode::kApp},
      {"jvm C:\\java\\bin\\javaw.exe\nvmparam -p C:\\apps\\mods\n"
       "mainclass -m com.orbit.notes/com.orbit.notes.Main\n",
       {}},
      {"jvm C:\\java\\bin\\javaw.exe\nvmparam -p C:\\apps\\mods\nmainclass -m com.orbit.notes\n",
       {{"main-class-not-found", 3}},
       {"\"com.orbit.notes.Start\" is in none"}},  // the module's own main class
      {kGood + "addpath C:\\apps\\classes\naddjars C:\\apps\\libs\n",
       {{"addjars-missing", 4}, {"class-path-empty-entry", 4}},
       {"did you mean lib?"}},
      {kGood + "addjars C:\\apps\\semi;colon\n",
       {{"semicolon-in-class-path-entry", 3}},
       {},
       CodePage::kAnsi,
       [](FakePlatform& p) {
         p.addDirectory("C:\\apps\\semi;colon\\");
         p.addFile("C:\\apps\\semi;colon\\a.jar");
         p.listings["C:\\apps\\semi;colon\\*.jar"] = {"a.jar"};
       }},
      {kGood + "param %QUOTE%\n",
       {{"quote-in-variable", 3}},
       {":3:7: warning"},
       CodePage::kAnsi,
       [](FakePlatform& p) { p.setEnvironment("QUOTE", "a\"b"); },
       LaunchMode::kApp},
      // Rows that tell apart faults once missed.
      {kGood + "vmparam --module-path C:\\apps\\lib\naddpath C:\\apps\\lib\\a.jar\n",
       {{"class-path-empty-entry", 4}}},  // the usual JavaFX set-up: no -jar
      {kGood + "param %APPS%\n",
       {{"blank-in-argument", 3}},
       {},
       CodePage::kAnsi,
       [](FakePlatform& p) { p.setEnvironment("Apps", "C:\\Program Files"); },
       LaunchMode::kApp},
      {"jvm C:\\java\\bin\\javaw.exe\"\nmainclass a.Main\n", {{"quoted-jvm", 1}}},
      {kGood + "param %a\tb% %HOME%\n",
       {{"undefined-variable", 3}},
       {},
       CodePage::kAnsi,
       [](FakePlatform& p) { p.unsetEnvironment("HOME"); },
       LaunchMode::kApp},
      {kGood + "vmparam -jar a.jar\nvmparam -jar b.jar\naddjars C:\\apps\\lib\n",
       {{"jar-with-class-path", 3}}},
      {"mainclass a.Main\n",  // the console launcher's VM is java.exe
       {},
       {"VM: C:\\Windows\\java.exe"},
       CodePage::kAnsi,
       [](FakePlatform& p) { p.addFile("C:\\Windows\\java.exe", "MZ"); },
       LaunchMode::kConsole},
  };
  for (const Row& row : rows) {
    FakePlatform platform;
    furnish(platform);
    platform.addFile(kConfig, row.config);
    if (row.setUp) {
      row.setUp(platform);
    }
    Found expected = row.expected;
    std::sort(expected.begin(), expected.end());
    const CheckReport report = check(platform, kConfig, row.codePage, true, row.mode);
    EXPECT_EQ(found(report), expected) << row.config.substr(0, 120);
    const std::string shown = allShown(report);
    for (const std::string& piece : row.shows) {
      EXPECT_NE(shown.find(piece), std::string::npos) << piece << " in\n" << shown.substr(0, 3000);
    }
  }
}

TEST(CheckTarget, WhatNoLineTellsIsReportedToo) {
  FakePlatform platform;
  furnish(platform);
  // A missing file: the launcher would run on its defaults.
  EXPECT_EQ(found(check(platform, "C:\\apps\\missing.config", CodePage::kAnsi)),
            (Found{{"config-unreadable", 0}, {"jvm-not-found", 0}, {"no-mainclass", 0}}));
  // A launcher named in capitals reads ".config" in the current directory.
  const CheckReport capitals = check(platform, "C:\\apps\\ACMEDRAW.EXE", CodePage::kAnsi);
  ASSERT_EQ(found(capitals).at(0), (std::pair<std::string, size_t>{"config-unreadable", 0}));
  EXPECT_NE(capitals.problems[0].hint.find("\".exe\" in lower case only, so it reads \".config\" "
                                           "in the current directory: rename it"),
            std::string::npos)
      << capitals.problems[0].hint;
  // A launcher that is no program: its code page cannot be read.
  platform.addFile("C:\\apps\\tool.exe", "not a program");
  platform.addFile(kConfig, kGood);
  EXPECT_EQ(found(checkTarget(platform, HostFacts{"C:\\work", true},
                              CheckRequest{"C:\\apps\\tool.exe", std::nullopt})),
            (Found{{"launcher-unreadable", 0}}));
  // Away from Windows, drive-letter paths are not checkable, never missing.
  platform.addFile(kConfig, "jvm C:\\nowhere\\javaw.exe\naddjars D:\\lib\nmainclass a.B\n");
  EXPECT_EQ(found(check(platform, kConfig, CodePage::kAnsi, false)),
            (Found{{"not-checkable-here", 1}, {"not-checkable-here", 2}}));
  // In app mode a configuration file is read as the one beside its launcher.
  platform.addFile("C:\\apps\\other.cfg", kGood + "param\n");
  const CheckReport other =
      check(platform, "C:\\apps\\other.cfg", CodePage::kAnsi, true, LaunchMode::kApp);
  EXPECT_EQ(found(other), (Found{{"no-value", 3}}));
  EXPECT_EQ(other.launch.configFile, "C:\\apps\\other.cfg");
  // Past the first 1,000 problems of a code, the others are counted only.
  std::string repeated = kGood;
  for (int i = 0; i < 1500; ++i) {
    repeated += "mainclass b.C\n";
  }
  platform.addFile(kConfig, repeated);
  const CheckReport many = check(platform, kConfig, CodePage::kAnsi);
  ASSERT_EQ(many.problems.size(), 1001U);
  EXPECT_EQ(many.problems.back().code, "not-listed");
  EXPECT_EQ(many.problems.back().message.substr(0, 13), "500 more repl");
  EXPECT_EQ(countOf(many, Severity::kWarning), 1500U);
}

TEST(CheckTarget, EachLineSaysWhatItDidOrWhyNot) {
  FakePlatform platform;
  furnish(platform);
  platform.addFile(kConfig,
                   "# app\n\njvm x\njvm C:\\java\\bin\\javaw.exe\nvmparam -Xmx512m\n"
                   "addjars C:\\apps\\lib\nJvm y\n  # indented\naddjars C:\\apps\\dirs\n");
  const CheckReport report = check(platform, kConfig, CodePage::kAnsi);
  std::vector<std::string> effects;
  for (const LineRecord& line : report.lines) {
    effects.push_back(line.effect.empty() ? "(" + line.reason + ")" : line.effect);
  }
  EXPECT_EQ(effects, (std::vector<std::string>{"(comment)", "(blank)", "jvm = x",
                                               "jvm = C:\\java\\bin\\javaw.exe, replacing line 3",
                                               "vmparam += -Xmx512m", "addjars: 1 jar",
                                               "(unknown key)", "(comment)",
                                               "addjars: 0 jars, 1 folder(s) named like jars "
                                               "passed over"}));
  ASSERT_EQ(report.launch.classPath.size(), 1U);
  EXPECT_EQ(report.launch.classPath[0].entry, "C:\\apps\\lib\\a.jar");
  EXPECT_EQ(report.launch.classPath[0].line, 6U);
  EXPECT_EQ(report.launch.classPath[0].exists, true);
}

// The checker's command line, VM and PATH must be the launcher's: both run
// over the same machine and the launcher's start is compared with the
// checker's record of it.
TEST(CheckTarget, TheLaunchIsTheLaunchersOwn) {
  const std::string configs[] = {
      kGood,
      "",
      "jvm javaw.exe\nvmparam -Xmx1g\nvmparam -Dx=1\naddsyspath C:\\java\\bin\n"
      "addpath C:/apps/classes\naddpath C:\\apps\\lib\\a.jar\naddjars C:\\apps\\lib\n"
      "mainclass a.Main\nparam --verbose\nparameter x\n",
      kGood + "vmparam\t-Xmx1g\nparam a#b\n",
      // In app mode (the last two): %EXEDIR% and the environment in every key.
      "jvm %JAVA%\\javaw.exe\naddsyspath %EXEDIR%\\bin;%Nowhere%\naddpath %EXEDIR%\\classes\n"
      "addjars %exedir%\\lib\nvmparam \"-Dhome=%EXEDIR%\"\nmainclass a.Main\nparam %java%\n",
      "mainclass a.Main\n",
  };
  for (const std::string& config : configs) {
    const bool app = &config >= &configs[4];
    FakePlatform launcher;
    furnish(launcher);
    launcher.setEnvironment("JAVA", "C:\\java\\bin");
    launcher.mode = app ? LaunchMode::kApp : LaunchMode::kClassic;
    launcher.addFile("C:\\Windows\\javaw.exe", "MZ");
    launcher.addFile(".\\javaw.exe", "MZ");  // started in classic mode only
    launcher.addFile(kConfig, config);
    launcher.exitCodes["C:\\java\\bin\\javaw.exe"] = 7;
    FakePlatform checked = launcher;
    FakePlatform run = launcher;
    launcher.setCommandLine("C:\\apps\\tool.exe");
    runLauncher(launcher);
    // --run ends as the launcher does: 1 in classic mode, the VM's 7 in app mode.
    EXPECT_EQ(runTarget(run, HostFacts{"C:\\work", true}, {kConfig, CodePage::kAnsi, launcher.mode})
                  .launcherStatus,
              launcher.exitStatus)
        << config;
    const CheckReport report = check(checked, kConfig, CodePage::kAnsi, true, launcher.mode);
    ASSERT_EQ(launcher.starts.size(), 1U) << config;
    EXPECT_EQ(report.launch.commandLine, launcher.starts[0].commandLine) << config;
    EXPECT_EQ(report.launch.jvmPath, launcher.starts[0].application) << config;
    EXPECT_EQ(report.launch.path, launcher.starts[0].path) << config;
    EXPECT_TRUE(checked.starts.empty()) << "the checker started nothing";
    EXPECT_EQ(checked.environment("PATH"), "C:\\Windows") << "the checker changed nothing";
    EXPECT_EQ(report.mode, app ? "app" : "classic");
  }
}

}  // namespace
}  // namespace veltrane::check
