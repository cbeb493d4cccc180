// The configuration keys and the listing of jar directories.
#include <algorithm>

#include "config/wrapper_configuration.h"

namespace veltrane {

namespace {

// A key matches a line that begins with it; what follows the key is not
// looked at, so "parameter" matches "param".
bool startsWith(std::string_view line, std::string_view key) {
  return line.substr(0, key.size()) == key;
}

}  // namespace

// Keys are tried in a fixed order and the first match decides: "addsyspath"
// before "addpath"-like prefixes, "vmparam" before "param".
void WrapperConfiguration::applyLine(std::string_view line) {
  if (line.empty()) {
    return;
  }
  const std::string value = lineValue(line);
  if (startsWith(line, "addsyspath")) {
    appendJoined(pathAssignment_, value, ";");
  } else if (startsWith(line, "mainclass")) {
    replaceText(mainClass_, value);
  } else if (startsWith(line, "vmparam")) {
    appendJoined(vmParams_, value, " ");
  } else if (startsWith(line, "addjars")) {
    scanJarDirectory(value);
  } else if (startsWith(line, "addpath")) {
    appendJoined(addPathList_, value, ";");
  } else if (startsWith(line, "param")) {
    appendJoined(appParams_, value, " ");
  } else if (startsWith(line, "jvm")) {
    replaceText(jvmCommand_, value);
  }
  // Any other line is ignored without a word.
}

void WrapperConfiguration::scanJarDirectory(std::string_view directory) {
  std::string folder(directory);
  std::replace(folder.begin(), folder.end(), '/', '\\');
  if (folder.empty() || folder.back() != '\\') {
    folder += '\\';
  }
  std::vector<DirectoryEntry> entries;
  if (!platform_.findFiles(folder + "*.jar", &entries)) {
    return;  // a missing directory adds nothing
  }
  for (const DirectoryEntry& entry : entries) {
    // A folder named like a jar is no jar. The listing's own attributes tell,
    // so a folder of many jars costs one listing and no query per jar.
    if ((entry.attributes & kAttributeDirectory) == 0) {
      appendJoined(jarList_, folder + entry.name, ";");
    }
  }
}

}  // namespace veltrane
