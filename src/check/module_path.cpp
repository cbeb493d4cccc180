#include "check/module_path.h"

#include <algorithm>

#include "check/class_file.h"

namespace veltrane::check {

namespace {

// The folders and jars of the last module path option.
std::vector<std::string_view> modulePathOf(const std::vector<std::string>& arguments) {
  std::string_view path;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string_view argument = arguments[i];
    if ((argument == "--module-path" || argument == "-p") && i + 1 < arguments.size()) {
      path = arguments[++i];
    } else if (argument.rfind("--module-path=", 0) == 0) {
      path = argument.substr(14);
    }
  }
  return path.empty() ? std::vector<std::string_view>() : splitList(path);
}

}  // namespace

std::optional<ModuleTarget> moduleTarget(std::string_view mainClass) {
  std::string_view named;
  if (mainClass.rfind("-m ", 0) == 0 || mainClass.rfind("--module ", 0) == 0) {
    named = mainClass.substr(mainClass.find(' ') + 1);
    named.remove_prefix(std::min(named.find_first_not_of(' '), named.size()));
  } else if (mainClass.rfind("--module=", 0) == 0) {
    named = mainClass.substr(9);
  } else {
    return std::nullopt;
  }
  named = named.substr(0, named.find_first_of(" \t"));  // the app's arguments follow
  const size_t slash = named.find('/');
  return ModuleTarget{std::string(named.substr(0, slash)),
                      slash == std::string_view::npos ? "" : std::string(named.substr(slash + 1))};
}

std::vector<std::string> vmArguments(std::string_view options) {
  std::vector<std::string> arguments;
  bool inQuotes = false;
  bool inArgument = false;
  for (const char c : options) {
    if ((c == ' ' || c == '\t') && !inQuotes) {
      inArgument = false;
      continue;
    }
    if (!inArgument) {
      arguments.emplace_back();
      inArgument = true;
    }
    if (c == '"') {
      inQuotes = !inQuotes;
    } else {
      arguments.back() += c;
    }
  }
  return arguments;
}

std::string findModuleClass(const LaunchContext& context, ClassPathClasses& classes,
                            const ModuleTarget& target) {
  const std::vector<std::string> arguments = vmArguments(context.configuration.vmParams());
  for (const std::string_view piece : modulePathOf(arguments)) {
    std::string entry(piece);
    const FileAttributes attributes = context.system.fileAttributes(entry);
    const bool folder = canCheck(context.host, entry) && attributes.found &&
                        (attributes.bits & kAttributeDirectory) != 0;
    if (folder && entry.back() != '\\' && entry.back() != '/') {
      entry += '\\';
    }
    classes.add(folder ? entry + "*" : entry, context.recorder.appStartLine());
  }
  for (const JarFile& jar : classes.jars()) {
    const std::optional<std::string> name = jar.entryFor("module-info.class", std::nullopt);
    const std::optional<std::string> bytes = name ? jar.read(*name) : std::nullopt;
    const std::optional<ClassFile> info = bytes ? readClassFile(*bytes) : std::nullopt;
    if (info && info->moduleName == target.module) {
      std::string className = target.className.empty() ? info->moduleMainClass : target.className;
      std::replace(className.begin(), className.end(), '/', '.');
      return className;
    }
  }
  return std::string();
}

}  // namespace veltrane::check
