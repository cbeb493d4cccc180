// Modular apps: "mainclass -m module/class" with the module path among the
// VM options ("--module-path", "-p"), and the module's jar found by the
// name its module-info.class declares.
#ifndef VELTRANE_CHECK_MODULE_PATH_H_
#define VELTRANE_CHECK_MODULE_PATH_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "check/class_path_classes.h"
#include "check/launch_problems.h"

namespace veltrane::check {

struct ModuleTarget {
  std::string module;
  std::string className;  // empty when the module's own main class is meant
};

// What "-m module[/class]", "--module module[/class]" or
// "--module=module[/class]" names; empty for anything else.
std::optional<ModuleTarget> moduleTarget(std::string_view mainClass);

// The VM options as the VM's command line splits them: at blanks outside
// double quotes, the quotes removed.
std::vector<std::string> vmArguments(std::string_view options);

// Adds the module path's jars to the classes and returns the main class
// (with dots) of the module: the one named, else the one its module-info
// names. Empty when no jar read declares the module, or it names none.
std::string findModuleClass(const LaunchContext& context, ClassPathClasses& classes,
                            const ModuleTarget& target);

}  // namespace veltrane::check

#endif  // VELTRANE_CHECK_MODULE_PATH_H_
