// The configuration keys, in the order they are tried.
#ifndef VELTRANE_CONFIG_CONFIGURATION_KEYS_H_
#define VELTRANE_CONFIG_CONFIGURATION_KEYS_H_

#include <string_view>

namespace veltrane {

inline constexpr std::string_view kConfigurationKeys[] = {
    "addsyspath", "mainclass", "vmparam", "addjars", "addpath", "param", "jvm"};

// The first key, in the order above, that the line begins with; what
// follows the key is not looked at. Empty when none matches.
std::string_view configurationKey(std::string_view line);

}  // namespace veltrane

#endif  // VELTRANE_CONFIG_CONFIGURATION_KEYS_H_
