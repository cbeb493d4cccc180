// What the configuration phase did, line by line, for a caller that wants to
// explain it. The launcher itself passes no observer.
#ifndef VELTRANE_CONFIG_CONFIGURATION_OBSERVER_H_
#define VELTRANE_CONFIG_CONFIGURATION_OBSERVER_H_

#include <string_view>

namespace veltrane {

class ConfigurationObserver {
 public:
  // A line of the configuration file as read, before its comment is cut.
  virtual void lineRead(std::string_view text) = 0;
  // A line handed to the keys, once its comment is cut and its blanks are
  // trimmed (empty for a blank line), with the key it matched (empty for
  // none) and the value that key took.
  virtual void lineApplied(std::string_view line, std::string_view key, std::string_view value) = 0;
  // An "addjars" folder, as listed: false when the listing failed.
  virtual void jarFolderListed(std::string_view folder, bool listed) = 0;
  // An entry of that listing: added as a jar, or passed over as a folder.
  virtual void jarFound(std::string_view path, bool added) = 0;
  // The explicit entries and the jars left once the duplicates are dropped.
  virtual void classPathAssembled(std::string_view addPathList, std::string_view jarList) = 0;

 protected:
  ~ConfigurationObserver() = default;
};

}  // namespace veltrane

#endif  // VELTRANE_CONFIG_CONFIGURATION_OBSERVER_H_
