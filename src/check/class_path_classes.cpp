#include "check/class_path_classes.h"

#include <algorithm>

namespace veltrane::check {

namespace {

// Enough class names for the largest class paths; more are not kept for
// hints, which measure each against the main class's name.
constexpr size_t kMaxNames = 1U << 18;
constexpr std::string_view kClassSuffix = ".class";

bool endsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

std::string withSeparator(std::string folder) {
  if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') {
    folder += '\\';
  }
  return folder;
}

}  // namespace

void ClassPathClasses::add(const std::string& entry, size_t line) {
  // A relative entry is found from the current directory at launch.
  if (!canCheck(host_, entry) || isRelativePath(entry)) {
    complete_ = false;
    return;
  }
  if (endsWith(entry, "*")) {
    // The VM takes the folder's jars, in no order it promises.
    const std::string folder = entry.substr(0, entry.size() - 1);
    std::vector<DirectoryEntry> listed;
    if (system_.findFiles(folder + "*.jar", &listed)) {
      for (const DirectoryEntry& jar : listed) {
        if ((jar.attributes & kAttributeDirectory) == 0) {
          addJar(folder + jar.name, line);
        }
      }
    }
    return;
  }
  const FileAttributes attributes = system_.fileAttributes(entry);
  if (!attributes.found) {
    return;  // a missing entry holds nothing
  }
  if ((attributes.bits & kAttributeDirectory) != 0) {
    entries_.push_back({std::nullopt, withSeparator(entry)});
  } else {
    addJar(entry, line);
  }
}

void ClassPathClasses::addJar(const std::string& path, size_t line) {
  std::optional<JarFile> jar = JarFile::open(system_, path);
  if (!jar) {
    unreadable_.push_back({path, line});
    complete_ = false;
    return;
  }
  for (const ZipEntry& entry : jar->entries()) {
    const std::string_view name(entry.name);
    if (names_.size() < kMaxNames && endsWith(name, kClassSuffix) &&
        name.rfind("META-INF/", 0) != 0 && name.find('-') == std::string_view::npos) {
      std::string dotted(name.substr(0, name.size() - kClassSuffix.size()));
      std::replace(dotted.begin(), dotted.end(), '/', '.');
      names_.push_back(std::move(dotted));
    }
  }
  entries_.push_back({jars_.size(), std::string()});
  jars_.push_back(std::move(*jar));
}

std::optional<std::string> ClassPathClasses::classFile(std::string_view className) const {
  const std::string file = std::string(className) + std::string(kClassSuffix);
  for (const Entry& entry : entries_) {
    if (entry.jar) {
      const JarFile& jar = jars_[*entry.jar];
      if (const std::optional<std::string> name = jar.entryFor(file, release_)) {
        return jar.read(*name);
      }
      continue;
    }
    std::string path = entry.folder + file;
    std::replace(path.begin(), path.end(), '/', '\\');
    if (system_.fileAttributes(path).found) {
      return readSmallFile(system_, path);
    }
  }
  return std::nullopt;
}

std::vector<std::string_view> ClassPathClasses::classNames() const {
  return {names_.begin(), names_.end()};
}

}  // namespace veltrane::check
