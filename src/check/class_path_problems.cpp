// The class path: its entries, the "addjars" folders, and what the VM would
// make of the argument (empty entries, a ";" inside a folder name).
#include <algorithm>

#include "check/edit_distance.h"
#include "check/launch_problems.h"
#include "check/problem_text.h"

namespace veltrane::check {

namespace {

void describeJarFolder(const LaunchContext& context, const JarFolder& folder, CheckReport& report) {
  const std::optional<bool> present = exists(context, folder.folder);
  if (!present) {
    report.problems.push_back(notCheckableProblem(folder.line, folder.folder));
  } else if (!*present) {
    report.problems.push_back(
        {"addjars-missing", Severity::kWarning, folder.line, 0,
         "the folder " + quoted(folder.folder) + " does not exist: no jar added",
         "check the addjars line"});
  } else if (folder.jars == 0) {
    report.problems.push_back(
        {"addjars-empty", Severity::kWarning, folder.line, 0,
         "the folder " + quoted(folder.folder) + " holds no jar: nothing added",
         "addjars adds the *.jar files directly in the folder, not in its "
         "subfolders"});
  } else if (folder.folder.find(';') != std::string::npos) {
    report.problems.push_back(
        {"semicolon-in-class-path-entry", Severity::kError, folder.line, 0,
         "the folder " + quoted(folder.folder) +
             " holds a \";\": the VM splits the class path there, so its jars never load",
         "rename the folder without the \";\""});
  }
}

// A folder beside a missing one whose name is one or two letters away.
std::string nearFolder(const LaunchContext& context, std::string missing) {
  while (!missing.empty() && (missing.back() == '\\' || missing.back() == '/')) {
    missing.pop_back();
  }
  const size_t slash = missing.find_last_of("\\/");
  if (slash == std::string::npos || !canCheck(context.host, missing)) {
    return std::string();
  }
  std::vector<DirectoryEntry> listed;
  if (!context.system.findFiles(missing.substr(0, slash + 1) + "*", &listed)) {
    return std::string();
  }
  std::vector<std::string_view> folders;
  for (const DirectoryEntry& entry : listed) {
    if ((entry.attributes & kAttributeDirectory) != 0 && entry.name != "." && entry.name != "..") {
      folders.emplace_back(entry.name);
    }
  }
  std::string_view name = missing;
  name.remove_prefix(slash + 1);
  return std::string(nearest(name, folders, 3));
}

// Why the launcher's ";" ends the class path: no "addjars" line added a jar.
Problem trailingEntry(const LaunchContext& context, size_t addPathLine) {
  const std::vector<JarFolder>& folders = context.recorder.jarFolders();
  Problem problem{"class-path-empty-entry",
                  Severity::kWarning,
                  addPathLine,
                  0,
                  "the class path ends in \";\", an empty entry: the VM also looks for classes in "
                  "the current directory, whatever folder the app is started from",
                  "with no jar from an addjars line, the launcher ends the addpath entries with "
                  "\";\": add the app's jars with addjars rather than addpath"};
  if (folders.empty()) {
    return problem;
  }
  const auto empty = std::find_if(folders.begin(), folders.end(),
                                  [](const JarFolder& folder) { return folder.jars == 0; });
  if (empty == folders.end()) {
    problem.hint =
        "every jar of the addjars lines is named by an addpath line too, so none "
        "follows the addpath entries: drop those jars from the addpath lines";
    return problem;
  }
  problem.line = empty->line;
  if (exists(context, empty->folder) == false) {
    const std::string near = nearFolder(context, empty->folder);
    problem.hint = "the addjars folder " + quoted(empty->folder) +
                   " does not exist, so no jar follows the addpath entries" +
                   (near.empty() ? ": check the addjars line" : ": did you mean " + near + "?");
  } else {
    problem.hint = "the addjars folder " + quoted(empty->folder) +
                   " holds no jar, so none follows the addpath entries: put the app's jars there";
  }
  return problem;
}

// The VM reads an empty entry of its class path as the current directory.
void describeEmptyEntry(const LaunchContext& context, CheckReport& report) {
  const std::string& argument = context.configuration.classpathArgument();
  const std::vector<ClassPathEntry>& entries = report.launch.classPath;
  const bool jars = std::any_of(entries.begin(), entries.end(),
                                [](const ClassPathEntry& entry) { return !entry.explicitEntry; });
  if (const size_t line = context.recorder.emptyAddPathLine(); line != 0) {
    report.problems.push_back(
        {"class-path-empty-entry", Severity::kWarning, line, 0,
         "the addpath value has an empty entry (\";;\", or \";\" at an end): the VM also looks "
         "for classes in the current directory, whatever folder the app is started from",
         "remove the extra \";\""});
  } else if (!jars && !entries.empty() && argument.size() >= 2 &&
             argument.compare(argument.size() - 2, 2, ";\"") == 0) {
    report.problems.push_back(trailingEntry(context, entries.back().line));
  }
}

}  // namespace

void describeClassPath(const LaunchContext& context, CheckReport& report) {
  report.launch.classPath = context.recorder.classPath();
  for (ClassPathEntry& entry : report.launch.classPath) {
    // A wildcard entry stands for its folder.
    const size_t star = entry.entry.find('*');
    const std::string checked =
        star == std::string::npos
            ? entry.entry
            : entry.entry.substr(0, entry.entry.find_last_of("\\/", star) + 1);
    entry.exists = exists(context, checked.empty() ? "." : checked);
    if (entry.explicitEntry && entry.exists == false) {
      report.problems.push_back({"addpath-missing", Severity::kWarning, entry.line, 0,
                                 quoted(checked) + " does not exist", "check the addpath line"});
    } else if (entry.explicitEntry && !entry.exists) {
      report.problems.push_back(notCheckableProblem(entry.line, checked));
    }
  }
  for (const JarFolder& folder : context.recorder.jarFolders()) {
    describeJarFolder(context, folder, report);
  }
  describeEmptyEntry(context, report);
}

}  // namespace veltrane::check
