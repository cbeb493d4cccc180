// The Java release of a VM, from the "release" file of its installation
// (JAVA_VERSION="17.0.2"), and the VM's folder it is in.
#ifndef VELTRANE_CHECK_JAVA_RELEASE_H_
#define VELTRANE_CHECK_JAVA_RELEASE_H_

#include <optional>
#include <string>
#include <string_view>

namespace veltrane::check {

struct JavaRelease {
  int feature = 0;      // 17 for "17.0.2", 8 for "1.8.0_392"
  std::string version;  // as the file writes it
};

// Empty when the text has no JAVA_VERSION line with a number.
std::optional<JavaRelease> javaReleaseFrom(std::string_view releaseFile);

// Where the release file of the VM program lies: two folders up
// (C:\java\bin\javaw.exe gives C:\java\release); empty for a bare name.
std::string releaseFileOf(const std::string& vmPath);

}  // namespace veltrane::check

#endif  // VELTRANE_CHECK_JAVA_RELEASE_H_
