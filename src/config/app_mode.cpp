#include "config/app_mode.h"

#include <algorithm>
#include <cctype>

namespace veltrane {

namespace {

size_t lastSeparator(std::string_view path) {
  return path.find_last_of("\\/");
}

bool isExeFolderName(std::string_view name) {
  constexpr std::string_view kExeFolder = "EXEDIR";
  if (name.size() != kExeFolder.size()) {
    return false;
  }
  for (size_t i = 0; i < name.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(name[i])) != kExeFolder[i]) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::string configPathOfProgram(std::string_view programPath) {
  const size_t separator = lastSeparator(programPath);
  const size_t nameStart = separator == std::string_view::npos ? 0 : separator + 1;
  const size_t dot = programPath.rfind('.');
  const size_t stemEnd =
      dot == std::string_view::npos || dot < nameStart ? programPath.size() : dot;
  std::string path(programPath.substr(0, stemEnd));
  path += ".config";
  return path;
}

std::string programFolder(std::string_view programPath) {
  const size_t separator = lastSeparator(programPath);
  return std::string(programPath.substr(0, separator == std::string_view::npos ? 0 : separator));
}

std::string expandValue(Platform& platform, std::string_view value, std::string_view exeFolder,
                        size_t limit, size_t& dropped) {
  std::string expanded;
  const auto keep = [&](std::string_view text) {
    const size_t room = std::min(limit - expanded.size(), text.size());
    expanded.append(text.substr(0, room));
    dropped += text.size() - room;
  };
  size_t position = 0;
  while (position < value.size()) {
    const size_t open = value.find('%', position);
    const size_t close = open == std::string_view::npos ? open : value.find('%', open + 1);
    if (close == std::string_view::npos) {
      break;  // no pair of signs is left: the rest is plain text
    }
    keep(value.substr(position, open - position));
    const std::string name(value.substr(open + 1, close - open - 1));
    std::string replacement;
    if (isExeFolderName(name)) {
      keep(exeFolder);
    } else if (!name.empty() && platform.getEnvironmentVariable(name, &replacement)) {
      keep(replacement);
    } else {
      // Not a variable: the text stays as written, and its closing sign may
      // open the next one ("100% %JAVA_HOME%").
      keep(value.substr(open, close - open));
      position = close;
      continue;
    }
    position = close + 1;
  }
  keep(value.substr(position));
  return expanded;
}

}  // namespace veltrane
