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

bool isSeparator(char c) {
  return c == '\\' || c == '/';
}

// "%EXEDIR%\lib" with the exe at C:\ reads C:\lib, not C:\\lib.
std::string_view exeFolderBefore(std::string_view exeFolder, std::string_view rest) {
  const bool bothSeparate = !exeFolder.empty() && isSeparator(exeFolder.back()) && !rest.empty() &&
                            isSeparator(rest.front());
  return bothSeparate ? exeFolder.substr(0, exeFolder.size() - 1) : exeFolder;
}

// What %name% stands for, followed by rest; false when it is no variable.
bool expansionOf(Platform& platform, std::string_view name, std::string_view exeFolder,
                 std::string_view rest, std::string& expansion) {
  if (isExeFolderName(name)) {
    expansion = exeFolderBefore(exeFolder, rest);
    return true;
  }
  return !name.empty() && platform.getEnvironmentVariable(std::string(name), &expansion);
}

size_t trailingBackslashes(std::string_view text) {
  const size_t last = text.find_last_not_of('\\');
  return text.size() - (last == std::string_view::npos ? 0 : last + 1);
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
  if (separator == std::string_view::npos) {
    return std::string();
  }
  const bool isRoot = separator == 0 || programPath[separator - 1] == ':';
  return std::string(programPath.substr(0, isRoot ? separator + 1 : separator));
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
  std::string expansion;
  while (position < value.size()) {
    const size_t open = value.find('%', position);
    const size_t close = open == std::string_view::npos ? open : value.find('%', open + 1);
    if (close == std::string_view::npos) {
      break;  // no pair of signs is left: the rest is plain text
    }
    keep(value.substr(position, open - position));
    const std::string_view rest = value.substr(close + 1);
    if (!expansionOf(platform, value.substr(open + 1, close - open - 1), exeFolder, rest,
                     expansion)) {
      // Not a variable: the text stays as written, and its closing sign may
      // open the next one ("100% %JAVA_HOME%").
      keep(value.substr(open, close - open));
      position = close;
      continue;
    }
    keep(expansion);
    if (rest.substr(0, 1) == "\"") {
      // "-Dj=%JDK%" with JDK=C:\jdk\ would end in \", which the VM reads as a
      // quote inside the argument: every later argument would join it.
      keep(std::string(trailingBackslashes(expansion), '\\'));
    }
    position = close + 1;
  }
  keep(value.substr(position));
  return expanded;
}

}  // namespace veltrane
