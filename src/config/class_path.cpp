// Assembly of the class path argument handed to the Java VM.
#include <algorithm>

#include "config/configuration_observer.h"
#include "config/jar_entries.h"
#include "config/wrapper_configuration.h"

namespace veltrane {

// Explicit entries come first, in file order, then the jars found in the
// "addjars" directories that no explicit entry names already.
void WrapperConfiguration::buildClasspathArgument() {
  if (jarList_.empty() && addPathList_.empty()) {
    return;  // no class path at all: the VM gets an empty argument
  }
  std::replace(addPathList_.begin(), addPathList_.end(), '/', '\\');

  JarEntries jars(jarList_);
  std::string_view pieces(addPathList_);
  while (true) {
    const size_t separator = pieces.find(';');
    removeFromJarList(pieces.substr(0, separator), jars);
    if (separator == std::string_view::npos) {
      break;
    }
    pieces.remove_prefix(separator + 1);
  }
  jarList_ = jars.joined();
  if (observer_ != nullptr) {
    observer_->classPathAssembled(addPathList_, jarList_);
  }

  classpathArgument_ = "-classpath \"";
  if (addPathListDropped_ > 0) {
    // What was kept of the explicit entries is all that is kept; the rest
    // of the argument is counted.
    classpathArgument_ += addPathList_;
    dropped_.classpathArgument = addPathListDropped_ + 1 + jarList_.size() + jarListDropped_ + 1;
    return;
  }
  if (!addPathList_.empty()) {
    classpathArgument_ += addPathList_ + ';';
  }
  classpathArgument_ += jarList_ + '"';
  // Jars that explicit entries name are dropped only from the kept list: a
  // list that long stays too long for any command line without them.
  dropped_.classpathArgument = jarListDropped_;
}

// Only an entry that names a jar can duplicate one found in a directory, and
// only an equal whole entry is dropped: part of a longer path never is.
void WrapperConfiguration::removeFromJarList(std::string_view piece, JarEntries& jars) {
  if (piece.find(".jar") == std::string_view::npos) {
    return;
  }
  jars.removeFirst(piece);
}

}  // namespace veltrane
