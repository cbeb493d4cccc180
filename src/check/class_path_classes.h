// The classes the VM would find on a class path, as far as this system can
// read it: jars (the first that holds a class wins) and class folders.
#ifndef VELTRANE_CHECK_CLASS_PATH_CLASSES_H_
#define VELTRANE_CHECK_CLASS_PATH_CLASSES_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "check/host_facts.h"
#include "check/jar_file.h"
#include "platform/platform.h"

namespace veltrane::check {

class ClassPathClasses {
 public:
  // The release of the VM that would load the classes, when known: it picks
  // the entries of multi-release jars.
  ClassPathClasses(Platform& system, const HostFacts& host, std::optional<int> release)
      : system_(system), host_(host), release_(release) {}

  // Adds a class path entry: a jar, a class folder, or a folder's jars
  // ("lib\*"). A missing entry holds no class; a relative one, one this
  // system cannot look at, or a jar it cannot read leaves the search
  // incomplete.
  void add(const std::string& entry, size_t line);
  void addJar(const std::string& path, size_t line);

  // The class file of a class ("com/example/Main"), from the first entry
  // that holds it; empty when none does or it cannot be read.
  std::optional<std::string> classFile(std::string_view className) const;
  // Whether every entry could be searched, so that a class not found is
  // not there.
  bool complete() const { return complete_; }
  // The classes of the jars, with dots ("com.example.Main").
  std::vector<std::string_view> classNames() const;
  const std::vector<JarFile>& jars() const { return jars_; }

  struct Unreadable {
    std::string path;
    size_t line;
  };
  const std::vector<Unreadable>& unreadable() const { return unreadable_; }

 private:
  Platform& system_;
  const HostFacts& host_;
  std::optional<int> release_;
  // Each entry in class path order: a jar's index in jars_, or a folder.
  struct Entry {
    std::optional<size_t> jar;
    std::string folder;
  };
  std::vector<Entry> entries_;
  std::vector<JarFile> jars_;
  std::vector<std::string> names_;
  std::vector<Unreadable> unreadable_;
  bool complete_ = true;
};

}  // namespace veltrane::check

#endif  // VELTRANE_CHECK_CLASS_PATH_CLASSES_H_
