// The main class's own file, looked up as the VM would: in the class path's
// jars and folders, or in the module of "-m"; whether it has a main method
// and a class file version the VM's release can load.
#include <algorithm>

#include "check/class_file.h"
#include "check/class_path_classes.h"
#include "check/edit_distance.h"
#include "check/java_release.h"
#include "check/launch_problems.h"
#include "check/module_path.h"
#include "check/problem_text.h"

namespace veltrane::check {

namespace {

// The column of the value on a "mainclass" line.
constexpr size_t kValueColumn = 11;
constexpr size_t kMaxSuperclasses = 64;
constexpr size_t kMaxReleaseFile = 1U << 16;

std::string dotted(std::string name) {
  std::replace(name.begin(), name.end(), '/', '.');
  return name;
}

struct Found {
  const LaunchContext& context;
  CheckReport& report;
  const ClassPathClasses& classes;
  std::optional<JavaRelease> release;
  std::string className;  // with dots
};

// A problem at the value of the "mainclass" line.
void add(const Found& found, Problem problem) {
  problem.line = found.context.recorder.lastLineOf("mainclass");
  problem.column = kValueColumn;
  found.report.problems.push_back(std::move(problem));
}

// From Java 25 the VM also starts an instance main and one without
// arguments; a VM of unknown release is given the benefit of the doubt.
bool declaresMain(const ClassFile& file, const std::optional<JavaRelease>& release) {
  const bool anyForm = !release || release->feature >= 25;
  return std::any_of(file.methods.begin(), file.methods.end(), [anyForm](const MethodInfo& m) {
    if (m.name != "main") {
      return false;
    }
    if (anyForm) {
      return (m.access & kAccessPrivate) == 0 &&
             (m.descriptor == "([Ljava/lang/String;)V" || m.descriptor == "()V");
    }
    return (m.access & (kAccessPublic | kAccessStatic)) == (kAccessPublic | kAccessStatic) &&
           m.descriptor == "([Ljava/lang/String;)V";
  });
}

// Walks up the superclasses in the jars until one declares a main method
// or is a JavaFX application (whose launcher needs none).
void describeMainMethod(const Found& found, ClassFile file) {
  for (size_t depth = 0; depth < kMaxSuperclasses; ++depth) {
    if (declaresMain(file, found.release) || file.superName == "javafx/application/Application") {
      return;
    }
    if (file.superName.empty() || file.superName == "java/lang/Object") {
      add(found, {"no-main-method", Severity::kError, 0, 0,
                  quoted(found.className) +
                      " has no method \"public static void main(String[])\", nor has any "
                      "superclass of it in the jars: the VM stops with \"Main method not found\"",
                  "declare public static void main(String[] args) in it, or name the class that "
                  "does"});
      return;
    }
    const std::optional<std::string> bytes = found.classes.classFile(file.superName);
    std::optional<ClassFile> superclass = bytes ? readClassFile(*bytes) : std::nullopt;
    if (!superclass) {
      add(found, {"main-method-not-checkable", Severity::kNote, 0, 0,
                  "whether " + quoted(found.className) +
                      " has a main method depends on its "
                      "superclass " +
                      quoted(dotted(file.superName)) +
                      ", which is not in the class path's jars: not checked",
                  ""});
      return;
    }
    file = std::move(*superclass);
  }
}

void describeClassFile(const Found& found, const ClassFile& file) {
  const int compiledFor = javaReleaseOf(file.majorVersion);
  if (found.release && compiledFor > found.release->feature) {
    add(found, {"class-version", Severity::kError, 0, 0,
                quoted(found.className) + " is compiled for Java " + std::to_string(compiledFor) +
                    ", the runtime is " + found.release->version +
                    ": the VM stops with UnsupportedClassVersionError",
                "use a Java " + std::to_string(compiledFor) +
                    " runtime or later in the jvm line, or compile with javac --release " +
                    std::to_string(found.release->feature)});
  }
  describeMainMethod(found, file);
}

void describeMissing(const Found& found) {
  const std::vector<std::string_view> names = found.classes.classNames();
  const std::string_view near = nearest(found.className, names, found.className.size() / 3 + 1);
  add(found, {"main-class-not-found", Severity::kError, 0, 0,
              quoted(found.className) +
                  " is in none of the class path's jars and folders: the VM stops with \"Could "
                  "not find or load main class\"",
              near.empty() ? "check the mainclass line: package and class name, in their case"
                           : "did you mean " + std::string(near) + "?"});
}

void describeUnreadable(const Found& found) {
  const auto& unreadable = found.classes.unreadable();
  if (unreadable.empty()) {
    return;
  }
  std::string list;
  for (size_t i = 0; i < unreadable.size() && i < 3; ++i) {
    list += (i == 0 ? "" : ", ") + quoted(unreadable[i].path);
  }
  list += unreadable.size() > 3 ? " and " + std::to_string(unreadable.size() - 3) + " more" : "";
  found.report.problems.push_back(
      {"jar-unreadable", Severity::kNote, unreadable[0].line, 0,
       std::to_string(unreadable.size()) + (unreadable.size() == 1 ? " jar" : " jars") +
           " of the class path cannot be read as a zip and " +
           (unreadable.size() == 1 ? "was" : "were") + " skipped: " + list,
       "the main class is not looked for where the checker cannot read"});
}

std::optional<JavaRelease> vmRelease(const LaunchContext& context, const LaunchRecord& launch) {
  const std::string path = launch.jvmFound ? releaseFileOf(launch.jvmPath) : std::string();
  if (path.empty() || !canCheck(context.host, path)) {
    return std::nullopt;
  }
  const std::optional<std::string> text = readSmallFile(context.system, path, kMaxReleaseFile);
  return text ? javaReleaseFrom(*text) : std::nullopt;
}

// The class path's classes; false when the VM would look where this system
// cannot: with no class path at all, the current directory, or a folder of
// jars it cannot list.
bool addClassPath(const LaunchContext& context, const CheckReport& report,
                  ClassPathClasses& classes) {
  const std::vector<JarFolder>& folders = context.recorder.jarFolders();
  if (report.launch.classPath.empty() ||
      std::any_of(folders.begin(), folders.end(), [&context](const JarFolder& folder) {
        return !canCheck(context.host, folder.folder);
      })) {
    return false;
  }
  for (const ClassPathEntry& entry : report.launch.classPath) {
    classes.add(entry.entry, entry.line);
  }
  return true;
}

}  // namespace

void describeMainClassFile(const LaunchContext& context, CheckReport& report) {
  const std::string& mainClass = context.configuration.mainClass();
  const std::optional<ModuleTarget> module = moduleTarget(mainClass);
  const bool className =
      !module && mainClass.find_first_of(" \t\"") == std::string::npos && !isFileName(mainClass);
  if (mainClass.empty() || (!module && !className) ||
      startsTheAppOtherwise(context.configuration.vmParams())) {
    return;  // the app starts from a jar's manifest, or the line is no class name
  }
  const std::optional<JavaRelease> release = vmRelease(context, report.launch);
  ClassPathClasses classes(context.system, context.host,
                           release ? std::optional<int>(release->feature) : std::nullopt);
  const std::string name = module ? findModuleClass(context, classes, *module) : mainClass;
  if (!module && !addClassPath(context, report, classes)) {
    return;
  }
  const Found found{context, report, classes, release, dotted(name)};
  describeUnreadable(found);
  std::string internal = name;
  std::replace(internal.begin(), internal.end(), '.', '/');
  const std::optional<std::string> bytes =
      name.empty() ? std::nullopt : classes.classFile(internal);
  const std::optional<ClassFile> file = bytes ? readClassFile(*bytes) : std::nullopt;
  if (file) {
    describeClassFile(found, *file);
  } else if (!bytes && !name.empty() && classes.complete()) {
    describeMissing(found);
  }
}

}  // namespace veltrane::check
