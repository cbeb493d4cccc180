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

void WrapperConfiguration::applyLine(std::string_view line) {
  const std::string_view key = configurationKey(line);
  // App mode expands a value before anything reads it: "addjars
  // %EXEDIR%\lib" lists that folder, "addpath" splits the expanded text.
  const std::string value = mode_ == LaunchMode::kClassic
                                ? lineValue(line)
                                : expandValue(platform_, lineValue(line), exeFolder_);
  if (observer_ != nullptr) {
    observer_->lineApplied(line, key, value);
  }
  if (key == "addsyspath") {
    appendJoined(pathAssignment_, value, ";");
  } else if (key == "mainclass") {
    replaceText(mainClass_, value);
  } else if (key == "vmparam") {
    appendJoined(vmParams_, value, " ");
  } else if (key == "addjars") {
    scanJarDirectory(value);
  } else if (key == "addpath") {
    appendJoined(addPathList_, value, ";");
  } else if (key == "param") {
    appendJoined(appParams_, value, " ");
  } else if (key == "jvm") {
    replaceText(jvmCommand_, value);
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
      appendJoined(jarList_, folder + entry.name, ";");
    }
    if (observer_ != nullptr) {
      observer_->jarFound(folder + entry.name, isJar);
    }
  }
}

}  // namespace veltrane
