#include "check/host_facts.h"

namespace veltrane::check {

namespace {

bool isSeparator(char c) {
  return c == '\\' || c == '/';
}

bool isNetworkPath(std::string_view path) {
  return path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]);
}

}  // namespace

bool isDrivePath(std::string_view path) {
  const auto letter = static_cast<unsigned char>(path.empty() ? ' ' : path[0]);
  return path.size() >= 2 && path[1] == ':' &&
         ((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z'));
}

bool isRelativePath(std::string_view path) {
  if (isDrivePath(path)) {
    return path.size() < 3 || !isSeparator(path[2]);
  }
  return path.empty() || !isSeparator(path[0]);
}

std::string fullPath(const HostFacts& host, std::string_view path) {
  if (isDrivePath(path) || !isRelativePath(path) || host.currentDirectory.empty()) {
    return std::string(path);
  }
  return host.currentDirectory + (host.windows ? "\\" : "/") + std::string(path);
}

bool canCheck(const HostFacts& host, std::string_view path) {
  return host.windows || !(isDrivePath(path) || isNetworkPath(path));
}

}  // namespace veltrane::check
