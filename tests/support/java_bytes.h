// Class files and jars built in memory for the checker's tests.
#ifndef VELTRANE_TESTS_JAVA_BYTES_H_
#define VELTRANE_TESTS_JAVA_BYTES_H_

#include <cstdint>
#include <string>
#include <vector>

namespace veltrane::check {

struct TestMethod {
  std::string name = "main";
  std::string descriptor = "([Ljava/lang/String;)V";
  uint16_t access = 0x0009;  // public static
};

// A class file of the version (61 is Java 17) with the methods.
std::string classBytes(const std::string& name, const std::string& superName = "java/lang/Object",
                       uint16_t major = 61, const std::vector<TestMethod>& methods = {{}});
// A module-info.class declaring the module, with its main class if given.
std::string moduleInfoBytes(const std::string& module, const std::string& mainClass = "");

struct TestEntry {
  std::string name;
  std::string contents;
  bool deflated = false;  // as one stored deflate block
};
std::string jarBytes(const std::vector<TestEntry>& entries);

}  // namespace veltrane::check

#endif  // VELTRANE_TESTS_JAVA_BYTES_H_
