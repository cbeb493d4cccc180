#include "check/class_file.h"

#include <gtest/gtest.h>

#include "support/java_bytes.h"

namespace veltrane::check {
namespace {

using std::string_literals::operator""s;

TEST(ClassFile, ReadsNamesVersionMethodsAndModuleAttributes) {
  const std::string main = classBytes("a/Main", "a/Base", 65, {{}, {"run", "()V", kAccessPrivate}});
  const std::optional<ClassFile> file = readClassFile(main);
  ASSERT_TRUE(file);
  EXPECT_EQ(file->name, "a/Main");
  EXPECT_EQ(file->superName, "a/Base");
  EXPECT_EQ(javaReleaseOf(file->majorVersion), 21);
  ASSERT_EQ(file->methods.size(), 2U);
  EXPECT_EQ(file->methods[0].access, kAccessPublic | kAccessStatic);
  EXPECT_EQ(file->methods[0].descriptor, "([Ljava/lang/String;)V");
  EXPECT_EQ(file->methods[1].name, "run");

  const std::optional<ClassFile> info =
      readClassFile(moduleInfoBytes("com.orbit", "com/orbit/Main"));
  ASSERT_TRUE(info);
  EXPECT_EQ(info->moduleName, "com.orbit");
  EXPECT_EQ(info->moduleMainClass, "com/orbit/Main");

  // Every cut of a class file, and constants of unknown tags, are refused.
  for (size_t size = 0; size < main.size(); ++size) {
    EXPECT_FALSE(readClassFile(main.substr(0, size))) << size;
  }
  EXPECT_FALSE(readClassFile(main.substr(0, 10) + "\x02" + main.substr(11)));
  EXPECT_FALSE(readClassFile("\xca\xfe\xba\xbf"s + main.substr(4)));
}

}  // namespace
}  // namespace veltrane::check
