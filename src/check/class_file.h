// What the checker reads of a Java class file: its version, its name and
// superclass, its methods, and in module-info.class the module's name and
// main class. Pure: the caller supplies the bytes.
#ifndef VELTRANE_CHECK_CLASS_FILE_H_
#define VELTRANE_CHECK_CLASS_FILE_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veltrane::check {

constexpr uint16_t kAccessPublic = 0x0001;
constexpr uint16_t kAccessPrivate = 0x0002;
constexpr uint16_t kAccessStatic = 0x0008;

struct MethodInfo {
  uint16_t access = 0;
  std::string name;
  std::string descriptor;
};

// Class names as the class file writes them, with "/" ("com/example/Main").
struct ClassFile {
  uint16_t majorVersion = 0;
  uint16_t access = 0;
  std::string name;
  std::string superName;  // empty for java/lang/Object and module-info
  std::vector<MethodInfo> methods;
  std::string moduleName;       // the Module attribute's, in module-info.class
  std::string moduleMainClass;  // the ModuleMainClass attribute's
};

// Empty when the bytes are no class file or are cut short.
std::optional<ClassFile> readClassFile(std::string_view bytes);

// The Java feature release a class file version belongs to (65 is Java 21).
int javaReleaseOf(uint16_t majorVersion);

}  // namespace veltrane::check

#endif  // VELTRANE_CHECK_CLASS_FILE_H_
