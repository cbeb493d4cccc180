#include <gtest/gtest.h>

#include "config/jar_entries.h"
#include "support/fake_platform.h"

namespace veltrane {
namespace {

// The class path of a configuration whose C:\app\lib holds a.jar and b.jar.
std::string classpathFor(const std::string& configText) {
  FakePlatform platform;
  platform.listings["C:\\app\\lib\\*.jar"] = {"a.jar", "b.jar"};
  platform.addFile("C:\\app\\lib\\a.jar");
  platform.addFile("C:\\app\\lib\\b.jar");
  return configureFromText(platform, configText)->classpathArgument();
}

TEST(BuildClasspathArgument, ExplicitEntriesComeFirstAndJarsTheyNameAreDropped) {
  EXPECT_EQ(classpathFor("addpath C:/app/classes\naddjars C:\\app\\lib"),
            "-classpath \"C:\\app\\classes;C:\\app\\lib\\a.jar;C:\\app\\lib\\b.jar\"");
  EXPECT_EQ(classpathFor("addpath C:\\app\\lib\\a.jar\naddjars C:\\app\\lib"),
            "-classpath \"C:\\app\\lib\\a.jar;C:\\app\\lib\\b.jar\"");
  EXPECT_EQ(classpathFor("addpath C:\\app\\lib\\b.jar\naddjars C:\\app\\lib"),
            "-classpath \"C:\\app\\lib\\b.jar;C:\\app\\lib\\a.jar\"");
  EXPECT_EQ(classpathFor("addpath C:/app/lib/b.jar\naddjars C:\\app\\lib"),
            "-classpath \"C:\\app\\lib\\b.jar;C:\\app\\lib\\a.jar\"");
  // Case matters: this entry names another file as far as the launcher knows.
  EXPECT_EQ(classpathFor("addpath C:\\App\\lib\\a.jar\naddjars C:\\app\\lib"),
            "-classpath \"C:\\App\\lib\\a.jar;C:\\app\\lib\\a.jar;C:\\app\\lib\\b.jar\"");
}

TEST(BuildClasspathArgument, FormsWithOnlyOneSourceOrNone) {
  EXPECT_EQ(classpathFor("addpath C:\\x"), "-classpath \"C:\\x;\"");
  EXPECT_EQ(classpathFor("addjars C:\\app\\lib"),
            "-classpath \"C:\\app\\lib\\a.jar;C:\\app\\lib\\b.jar\"");
  EXPECT_EQ(classpathFor(""), "");
  EXPECT_EQ(classpathFor("addjars C:\\empty"), "");
  // Every jar named explicitly: the list of jars empties, the ";" stays.
  EXPECT_EQ(classpathFor("addpath C:\\app\\lib\\a.jar\naddpath C:\\app\\lib\\b.jar\n"
                         "addjars C:\\app\\lib"),
            "-classpath \"C:\\app\\lib\\a.jar;C:\\app\\lib\\b.jar;\"");
}

TEST(BuildClasspathArgument, OnlyWholeEntriesAreRemoved) {
  // A relative entry that ends an absolute jar path must not cut it apart.
  EXPECT_EQ(classpathFor("addpath lib\\a.jar\naddjars C:\\app\\lib"),
            "-classpath \"lib\\a.jar;C:\\app\\lib\\a.jar;C:\\app\\lib\\b.jar\"");
  EXPECT_EQ(classpathFor("addpath C:\\app\\lib\\a.ja\naddjars C:\\app\\lib"),
            "-classpath \"C:\\app\\lib\\a.ja;C:\\app\\lib\\a.jar;C:\\app\\lib\\b.jar\"");
  // Only an entry that holds ".jar", in that case, removes a jar: "C.JAR", which a
  // "*.jar" listing also returns, stays twice.
  FakePlatform platform;
  platform.listings["C:\\app\\lib\\*.jar"] = {"C.JAR"};
  EXPECT_EQ(configureFromText(platform, "addpath C:\\app\\lib\\C.JAR\naddjars C:\\app\\lib")
                ->classpathArgument(),
            "-classpath \"C:\\app\\lib\\C.JAR;C:\\app\\lib\\C.JAR\"");
}

TEST(JarEntries, EachPieceRemovesAtMostOneEqualEntry) {
  JarEntries jars("x.jar;y.jar;x.jar;z.jar");
  EXPECT_TRUE(jars.removeFirst("x.jar"));
  EXPECT_EQ(jars.joined(), "y.jar;x.jar;z.jar");
  EXPECT_TRUE(jars.removeFirst("x.jar"));
  EXPECT_FALSE(jars.removeFirst("x.jar"));
  EXPECT_FALSE(jars.removeFirst("y"));
  EXPECT_TRUE(jars.removeFirst("z.jar"));
  EXPECT_EQ(jars.joined(), "y.jar");
  EXPECT_EQ(JarEntries("").joined(), "");
}

TEST(BuildClasspathArgument, TensOfThousandsOfEntriesAreMerged) {
  FakePlatform platform;
  std::vector<std::string>& names = platform.listings["C:\\lib\\*.jar"];
  std::string config = "addjars C:\\lib\n";
  for (int i = 0; i < 30000; ++i) {
    names.push_back("j" + std::to_string(i) + ".jar");
    platform.addFile("C:\\lib\\" + names.back());
    if (i % 2 == 1) {
      config += "addpath C:\\lib\\" + names.back() + "\n";
    }
  }
  auto result = configureFromText(platform, config);
  const std::string& classpath = result->classpathArgument();
  EXPECT_EQ(classpath.find("C:\\lib\\j1.jar;"), 12u);  // explicit entries first
  EXPECT_EQ(classpath.find("C:\\lib\\j1.jar;"), classpath.rfind("C:\\lib\\j1.jar;"));
  EXPECT_NE(classpath.find("C:\\lib\\j29999.jar;C:\\lib\\j0.jar;C:\\lib\\j2.jar;"),
            std::string::npos);
}

}  // namespace
}  // namespace veltrane
