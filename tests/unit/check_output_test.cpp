#include <gtest/gtest.h>

#include "check/check_options.h"
#include "check/json_writer.h"
#include "check/launcher_manifest.h"
#include "check/report_formats.h"

namespace veltrane::check {
namespace {

using Arguments = std::vector<std::string>;

TEST(ParseOptions, AcceptsTheDocumentedFormsAndRefusesEverythingElse) {
  const auto json =
      parseOptions({"--format", "json", "--code-page=utf-8", "--run", "--quiet", "a.cfg"});
  ASSERT_TRUE(json.has_value());
  EXPECT_EQ(json->format, Format::kJson);
  EXPECT_EQ(json->codePage, CodePage::kUtf8);
  EXPECT_TRUE(json->run);
  EXPECT_TRUE(json->quiet);
  EXPECT_EQ(json->target, "a.cfg");
  EXPECT_EQ(parseOptions({"--", "-odd.cfg"})->target, "-odd.cfg");
  EXPECT_EQ(parseOptions({"--mode=console", "a.cfg"})->mode, LaunchMode::kConsole);
  EXPECT_TRUE(parseOptions({"-q", "a.cfg"})->quiet);
  EXPECT_TRUE(parseOptions({"--version"})->version);
  const Arguments refused[] = {
      {},
      {"--format", "xml", "a.cfg"},
      {"--format"},
      {"--code-page", "latin1", "a.cfg"},
      {"--verbose", "a.cfg"},
      {"a.cfg", "b.cfg"},
      {"--run"},
      {"--mode", "gui", "a.cfg"},
  };
  for (const Arguments& arguments : refused) {
    EXPECT_FALSE(parseOptions(arguments).has_value()) << ::testing::PrintToString(arguments);
  }
}

// A 64-bit program image with one section that holds a resource directory
// with a string table in the language given; its string 2 is the mode text.
std::string programImage(unsigned subsystem, const std::string& mode, unsigned language = 0) {
  std::string image(0x200 + 0x100, '\0');
  const auto put = [&image](size_t at, unsigned value, size_t size) {
    for (size_t i = 0; i < size; ++i) {
      image[at + i] = static_cast<char>((value >> (8 * i)) & 0xFFU);
    }
  };
  image.replace(0, 2, "MZ");
  put(0x3C, 0x40, 4);
  image.replace(0x40, 4, std::string("PE\0\0", 4));
  put(0x46, 1, 2);      // one section
  put(0x54, 0xF0, 2);   // the optional header's size
  put(0x58, 0x20B, 2);  // PE32+
  put(0x58 + 68, subsystem, 2);
  put(0x58 + 128, 0x1000, 4);  // the resource directory's address
  put(0x148 + 8, 0x100, 4);    // the section: its size, address and file offset
  put(0x148 + 12, 0x1000, 4);
  put(0x148 + 16, 0x100, 4);
  put(0x148 + 20, 0x200, 4);
  const size_t base = 0x200;
  put(base + 14, 1, 2);  // type 6, name 1, the language: one entry each
  put(base + 16, 6, 4);
  put(base + 20, 0x80000018U, 4);
  put(base + 0x18 + 14, 1, 2);
  put(base + 0x18 + 16, 1, 4);
  put(base + 0x18 + 20, 0x80000030U, 4);
  put(base + 0x30 + 14, 1, 2);
  put(base + 0x30 + 16, language, 4);
  put(base + 0x30 + 20, 0x48, 4);
  put(base + 0x48, 0x1058, 4);  // the table: 16 lengths, string 2 the only one not empty
  put(base + 0x48 + 4, static_cast<unsigned>(32 + 2 * mode.size()), 4);
  put(base + 0x58 + 4, static_cast<unsigned>(mode.size()), 2);
  for (size_t i = 0; i < mode.size(); ++i) {
    put(base + 0x58 + 6 + 2 * i, static_cast<unsigned char>(mode[i]), 2);
  }
  return image;
}

TEST(LauncherImage, TellsTheModeFromTheStringTableAndTheSubsystem) {
  EXPECT_EQ(modeOf(programImage(2, "app")), LaunchMode::kApp);
  EXPECT_EQ(modeOf(programImage(2, "classic")), LaunchMode::kClassic);
  EXPECT_EQ(modeOf(programImage(2, "")), LaunchMode::kClassic);  // unbranded
  EXPECT_EQ(modeOf(programImage(2, "App")), LaunchMode::kClassic);
  EXPECT_EQ(modeOf(programImage(2, "app", 0x409)), LaunchMode::kClassic);  // not neutral
  EXPECT_EQ(modeOf(programImage(3, "")), LaunchMode::kConsole);
  EXPECT_EQ(modeOf(programImage(2, "app").substr(0, 0x260)), LaunchMode::kClassic);  // cut
  EXPECT_EQ(modeOf("not a program"), std::nullopt);
}

TEST(JsonWriter, EscapesQuotesControlsAndBytesThatAreNotUtf8) {
  JsonWriter json;
  json.beginObject();
  json.key("a");
  json.string(
      "q\"b\\\t\x01"
      "\xc3\xa9"
      "\xe9");
  json.key("b");
  json.beginArray();
  json.number(-1);
  json.null();
  json.boolean(false);
  json.endArray();
  json.endObject();
  EXPECT_EQ(json.text(),
            "{\"a\":\"q\\\"b\\\\\\u0009\\u0001\xc3\xa9\\u00e9\",\"b\":[-1,null,false]}");
  // Only what UTF-8 allows is copied; every other byte is a Latin-1 escape.
  const std::pair<std::string, std::string> strings[] = {
      {"\xc3\xa9", "\xc3\xa9"},                              // a valid sequence at the end
      {"\xf0\x9f\x98\x80", "\xf0\x9f\x98\x80"},              // U+1F600
      {"\xe0\x80\x80", "\\u00e0\\u0080\\u0080"},             // overlong
      {"\xed\xa0\x80", "\\u00ed\\u00a0\\u0080"},             // a surrogate
      {"\xf4\x90\x80\x80", "\\u00f4\\u0090\\u0080\\u0080"},  // past U+10FFFF
      {"\xc0\xaf\xc1\xbf", "\\u00c0\\u00af\\u00c1\\u00bf"},  // C0 and C1 leads
      {"\xf5\x80\x80\x80", "\\u00f5\\u0080\\u0080\\u0080"},
      {"\xe2\x82", "\\u00e2\\u0082"},  // cut short
      {"\x7f", "\\u007f"},
  };
  for (const auto& [bytes, escaped] : strings) {
    JsonWriter one;
    one.string(bytes);
    EXPECT_EQ(one.text(), "\"" + escaped + "\"") << escaped;
  }
}

TEST(GccReport, OneLinePerProblemWithFileLineColumnSeverityAndCode) {
  CheckReport report;
  report.launch.configFile = "C:\\apps\\tool.config";
  report.problems = {{"unknown-key", Severity::kWarning, 6, 1, "\"Jvm\" is no key", "hint"},
                     {"no-mainclass", Severity::kError, 0, 0, "no mainclass line", ""}};
  EXPECT_EQ(gccReport(report),
            "C:\\apps\\tool.config:6:1: warning: \"Jvm\" is no key [unknown-key]\n"
            "C:\\apps\\tool.config:1:1: error: no mainclass line [no-mainclass]\n");
  EXPECT_EQ(exitStatusOf(report), 2);
}

}  // namespace
}  // namespace veltrane::check

namespace veltrane::check {
namespace {

TEST(TextReport, EchoesWhatLinesDoAndEscapesControlCharacters) {
  CheckReport report;
  report.codePage = "utf-8";
  report.launch.configFile = "C:\\apps\\a\nb.config";
  report.lines = {{1, "# note", "", "", "", "comment"},
                  {2, "", "", "", "", "blank"},
                  {3, "Jvm x", "", "", "", "unknown key"},
                  {4, "param \x1b]0;t\x07\x1b[2J\xc2\x9b\xc3\xa9", "param", "x", "param += x", ""}};
  report.problems = {{"unknown-key", Severity::kWarning, 3, 1, "\"Jvm\" is no key", "a hint"}};
  const std::string text = textReport(report);
  EXPECT_EQ(text.find("# note"), std::string::npos);
  EXPECT_EQ(text.find("  2  "), std::string::npos);
  EXPECT_NE(text.find("  3  Jvm x\n       (unknown key)\n"), std::string::npos);
  EXPECT_NE(text.find("  4  param \\x1b]0;t\\x07\\x1b[2J\\u009b\xc3\xa9\n"), std::string::npos);
  EXPECT_NE(text.find("Configuration file: C:\\apps\\a\\x0ab.config (read as UTF-8)\n"),
            std::string::npos);
  EXPECT_EQ(gccReport(report),
            "C:\\apps\\a\\x0ab.config:3:1: warning: \"Jvm\" is no key [unknown-key]\n");
  EXPECT_EQ(textReport(report, true),
            "Problems\n  line 3: warning: \"Jvm\" is no key [unknown-key]\n    hint: a hint\n\n"
            "0 errors, 1 warning\n");
  report.problems.clear();
  EXPECT_EQ(textReport(report, true), "0 errors, 0 warnings\n");
  // An ANSI code page has no C1 controls: those bytes are its characters.
  EXPECT_EQ(escapedControls("\xc2\x9b\x7f", false), "\xc2\x9b\\x7f");
  EXPECT_EQ(escapedControls("\xc2\xa0", true), "\xc2\xa0");  // a no-break space, no control
}

}  // namespace
}  // namespace veltrane::check
