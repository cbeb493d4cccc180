// What the checker knows about the system it runs on, and how Windows paths
// are judged there.
#ifndef VELTRANE_CHECK_HOST_FACTS_H_
#define VELTRANE_CHECK_HOST_FACTS_H_

#include <string>
#include <string_view>

namespace veltrane::check {

struct HostFacts {
  // Where relative paths are resolved while checking.
  std::string currentDirectory;
  // On Windows every path can be looked at and the inherited PATH is the one
  // the launcher would get. Elsewhere drive-letter and network paths cannot
  // be checked, and the PATH of the machine the app will run on is unknown.
  bool windows = true;
};

// "C:..." (with or without a separator after the colon).
bool isDrivePath(std::string_view path);
// Resolved against the current directory at launch: neither "C:\..." nor a
// path from a root ("\...", "/...", "\\server\...").
bool isRelativePath(std::string_view path);
// The path made full against the current directory, as the system gives a
// running program's path; a full or drive-relative path stays as it is.
std::string fullPath(const HostFacts& host, std::string_view path);
// Whether this system can tell if the path exists.
bool canCheck(const HostFacts& host, std::string_view path);

}  // namespace veltrane::check

#endif  // VELTRANE_CHECK_HOST_FACTS_H_
