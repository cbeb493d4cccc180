// The checker on Linux and other POSIX systems: Windows paths are read here
// as far as this system can. "\" separates like "/", relative paths are
// resolved against the current directory, and drive-letter and network
// paths cannot be looked at (they read as a drive that is not ready, which
// the launcher's search passes over).
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>

#include "check/host.h"

namespace veltrane::check {

namespace {

constexpr SystemError kErrorNotSupported = 50;

std::string hostPath(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

SystemError systemErrorFromErrno(int error) {
  switch (error) {
    case ENOENT:
      return kErrorFileNotFound;
    case ENOTDIR:
      return kErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
      return kErrorAccessDenied;
    default:
      return kErrorFileNotFound;
  }
}

bool sameLetter(char a, char b) {
  return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

// Wildcard matching as the Windows listing does it: "*" and "?", ignoring
// case. A "*" first takes nothing and takes one more character each time
// the rest fails to match.
bool matches(std::string_view mask, std::string_view name) {
  size_t m = 0;
  size_t n = 0;
  size_t star = std::string_view::npos;
  size_t starName = 0;
  while (n < name.size()) {
    if (m < mask.size() && mask[m] == '*') {
      star = m++;
      starName = n;
    } else if (m < mask.size() && (mask[m] == '?' || sameLetter(mask[m], name[n]))) {
      ++m;
      ++n;
    } else if (star != std::string_view::npos) {
      m = star + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') {
    ++m;
  }
  return m == mask.size();
}

bool lessIgnoringCase(const DirectoryEntry& a, const DirectoryEntry& b) {
  return std::lexicographical_compare(
      a.name.begin(), a.name.end(), b.name.begin(), b.name.end(),
      [](unsigned char x, unsigned char y) { return std::tolower(x) < std::tolower(y); });
}

class PosixPlatform : public Platform {
 public:
  LaunchMode launchMode() override { return LaunchMode::kClassic; }
  StartInformation startInformation() override { return {}; }
  std::string appUserModelId() override { return {}; }
  std::string programPath() override { return std::string(); }
  char* commandLine() override { return commandLine_; }
  bool isLeadByte(unsigned char /*byte*/) override { return false; }
  bool ansiCodePageIsUtf8() override { return false; }
  bool getEnvironmentVariable(const std::string& name, std::string* value) override;
  bool setEnvironmentVariable(const std::string& /*name*/, const std::string& /*value*/) override {
    return false;
  }
  bool findFiles(const std::string& pattern, std::vector<DirectoryEntry>* entries) override;
  FileAttributes fileAttributes(const std::string& path) override;
  bool readFile(const std::string& path, ByteSink& sink, SystemError* error) override;
  ProcessOutcome runProcess(const std::string& /*application*/, const std::string& /*commandLine*/,
                            const StartInformation& /*startup*/) override {
    return ProcessOutcome{false, 0, kErrorNotSupported};
  }
  std::string applicationName() override { return "Veltrane"; }
  void showMessage(const std::string& /*text*/, const std::string& /*caption*/) override {}
  void exitProcess(int /*status*/) override {}

 private:
  char commandLine_[1] = {'\0'};
};

// The PATH of the machine the app will run on is unknown here; the other
// variables an app-mode value names are this process's, names compared
// ignoring case as Windows does.
bool PosixPlatform::getEnvironmentVariable(const std::string& name, std::string* value) {
  value->clear();
  if (name.size() == 4 && sameLetter(name[0], 'p') && sameLetter(name[1], 'a') &&
      sameLetter(name[2], 't') && sameLetter(name[3], 'h')) {
    return false;
  }
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string_view variable(*entry);
    const size_t equals = variable.find('=');
    if (equals == name.size() &&
        std::equal(name.begin(), name.end(), variable.begin(), sameLetter)) {
      *value = variable.substr(equals + 1);
      return true;
    }
  }
  return false;
}

bool PosixPlatform::findFiles(const std::string& pattern, std::vector<DirectoryEntry>* entries) {
  if (!canCheck(HostFacts{"", false}, pattern)) {
    return false;
  }
  const std::string path = hostPath(pattern);
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const std::string mask = slash == std::string::npos ? path : path.substr(slash + 1);
  DIR* directory = opendir(folder.c_str());
  if (directory == nullptr) {
    return false;
  }
  std::vector<DirectoryEntry> found;
  while (const dirent* entry = readdir(directory)) {
    const std::string name = entry->d_name;
    if (name != "." && name != ".." && matches(mask, name)) {
      std::string path = folder;
      path += '/';
      path += name;
      const FileAttributes attributes = fileAttributes(path);
      found.push_back({name, attributes.bits});
    }
  }
  closedir(directory);
  std::sort(found.begin(), found.end(), lessIgnoringCase);  // as NTFS lists them
  entries->insert(entries->end(), found.begin(), found.end());
  return !found.empty();  // as on Windows, a listing that matches nothing fails
}

FileAttributes PosixPlatform::fileAttributes(const std::string& path) {
  FileAttributes attributes;
  if (!canCheck(HostFacts{"", false}, path)) {
    attributes.error = kErrorNotReady;
    return attributes;
  }
  struct stat status {};
  if (stat(hostPath(path).c_str(), &status) != 0) {
    attributes.error = systemErrorFromErrno(errno);
    return attributes;
  }
  attributes.found = true;
  attributes.bits = S_ISDIR(status.st_mode) ? kAttributeDirectory : 0x20;
  return attributes;
}

bool PosixPlatform::readFile(const std::string& path, ByteSink& sink, SystemError* error) {
  const int file = canCheck(HostFacts{"", false}, path)
                       ? open(hostPath(path).c_str(), O_RDONLY | O_CLOEXEC)
                       : -1;
  struct stat status {};
  if (file < 0 || fstat(file, &status) != 0 || S_ISDIR(status.st_mode)) {
    *error = file < 0 ? (canCheck(HostFacts{"", false}, path) ? systemErrorFromErrno(errno)
                                                              : kErrorNotReady)
                      : kErrorAccessDenied;
    if (file >= 0) {
      close(file);
    }
    return false;
  }
  char piece[16 * 1024];
  ssize_t read = 0;
  while ((read = ::read(file, piece, sizeof piece)) > 0) {
    sink.consume(std::string_view(piece, static_cast<size_t>(read)));
  }
  *error = read < 0 ? systemErrorFromErrno(errno) : 0;
  close(file);
  return true;
}

}  // namespace

std::unique_ptr<Platform> makeHostPlatform(CodePage /*codePage*/) {
  return std::make_unique<PosixPlatform>();
}

HostFacts hostFacts() {
  char directory[PATH_MAX];
  return HostFacts{getcwd(directory, sizeof directory) != nullptr ? directory : ".", false};
}

bool canRunHere() {
  return false;
}

void prepareConsole(CodePage /*codePage*/) {}

}  // namespace veltrane::check
