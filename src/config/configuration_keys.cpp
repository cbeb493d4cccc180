// The configuration keys and the listing of jar directories.
#include <algorithm>

#include "config/app_mode.h"
#include "config/configuration_keys.h"
#include "config/configuration_observer.h"
#include "config/wrapper_configuration.h"

namespace veltrane {

// Keys are tried in a fixed order and the first match decides: "addsyspath"
// before "addpath"-like prefixes, "vmparam" before "param". A key matches a
// line that begins with it, so "parameter" matches "param".
std::string_view configurationKey(std::string_view line) {
  for (const std::string_view key : kConfigurationKeys) {
    if (line.substr(0, key.size()) == key) {
      return key;
    }
  }
  return {};
}

// A value that dropped characters is longer than any launch can take; it is
// kept in part, and its length is counted.
void WrapperConfiguration::applyLine(std::string_view line, size_t dropped) {
  const std::string_view key = configurationKey(line);
  // App mode expands a value before anything reads it: "addjars
  // %EXEDIR%\lib" lists that folder, "addpath" splits the expanded text.
  const std::string value =
      mode_ == LaunchMode::kClassic
          ? lineValue(line)
          : expandValue(platform_, lineValue(line), exeFolder_, kMaxKeptText, dropped);
  if (observer_ != nullptr) {
    observer_->lineApplied(line, key, value);
  }
  if (key == "addsyspath") {
    appendKept(pathAssignment_, dropped_.pathAssignment, value, dropped, ";", kPathAssignmentLimit);
  } else if (key == "mainclass") {
    replaceKept(mainClass_, dropped_.mainClass, value, dropped);
  } else if (key == "vmparam") {
    appendKept(vmParams_, dropped_.vmParams, value, dropped, " ");
  } else if (key == "addjars") {
    if (dropped == 0) {
      scanJarDirectory(value);  // a path too long to keep names no folder
    }
  } else if (key == "addpath") {
    appendKept(addPathList_, addPathListDropped_, value, dropped, ";");
  } else if (key == "param") {
    appendKept(appParams_, dropped_.appParams, value, dropped, " ");
  } else if (key == "jvm") {
    replaceKept(jvmCommand_, dropped_.jvmCommand, value, dropped);
  }
  // Any other line, the empty one too, is ignored without a word.
}

void WrapperConfiguration::scanJarDirectory(std::string_view directory) {
  std::string folder(directory);
  std::replace(folder.begin(), folder.end(), '/', '\\');
  if (folder.empty() || folder.back() != '\\') {
    folder += '\\';
  }
  std::vector<DirectoryEntry> entries;
  const bool listed = platform_.findFiles(folder + "*.jar", &entries);
  if (observer_ != nullptr) {
    observer_->jarFolderListed(folder, listed);
  }
  if (!listed) {
    return;  // a missing directory adds nothing
  }
  for (const DirectoryEntry& entry : entries) {
    // A folder named like a jar is no jar. The listing's own attributes tell,
    // so a folder of many jars costs one listing and no query per jar.
    const bool isJar = (entry.attributes & kAttributeDirectory) == 0;
    if (isJar) {
      appendKept(jarList_, jarListDropped_, folder + entry.name, 0, ";");
    }
    if (observer_ != nullptr) {
      observer_->jarFound(folder + entry.name, isJar);
    }
  }
}

}  // namespace veltrane
