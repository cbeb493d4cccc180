// Jars and other Java files read through the platform, in bounded memory:
// a jar's directory from the file's last bytes, then each wanted entry's
// bytes alone.
#ifndef VELTRANE_CHECK_JAR_FILE_H_
#define VELTRANE_CHECK_JAR_FILE_H_

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "check/zip_directory.h"
#include "platform/platform.h"

namespace veltrane::check {

// No class file, manifest or release file the checker reads is larger.
constexpr size_t kMaxJavaFile = 16U << 20;

// The whole file; empty when it cannot be read to its end or is larger
// than maxSize.
std::optional<std::string> readSmallFile(Platform& system, const std::string& path,
                                         size_t maxSize = kMaxJavaFile);

class JarFile {
 public:
  // Empty when the file cannot be read or holds no zip directory the
  // checker can read.
  static std::optional<JarFile> open(Platform& system, const std::string& path);

  const std::string& path() const { return path_; }
  const std::vector<ZipEntry>& entries() const { return entries_; }
  // The entry's contents; empty when it is missing or cannot be read.
  std::optional<std::string> read(std::string_view name) const;
  // The entry the VM of the feature release loads for a file of the jar
  // ("a/b/Main.class"): in a multi-release jar, the one under
  // META-INF/versions/N/ of the highest N up to the release (any N when the
  // release is unknown), else the file itself. Empty when there is none.
  std::optional<std::string> entryFor(std::string_view file, std::optional<int> release) const;

 private:
  JarFile(Platform& system, std::string path, std::vector<ZipEntry> entries);

  Platform* system_;
  std::string path_;
  std::vector<ZipEntry> entries_;
  std::unordered_map<std::string, size_t> index_;
  std::vector<int> versions_;  // of a multi-release jar, highest first
};

}  // namespace veltrane::check

#endif  // VELTRANE_CHECK_JAR_FILE_H_
