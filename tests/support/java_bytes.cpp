#include "support/java_bytes.h"

#include "check/zip_directory.h"

namespace veltrane::check {

namespace {

std::string big(uint32_t value, int size) {
  std::string bytes;
  for (int i = size - 1; i >= 0; --i) {
    bytes += static_cast<char>((value >> (8 * i)) & 0xffU);
  }
  return bytes;
}

std::string little(uint32_t value, int size) {
  std::string bytes;
  for (int i = 0; i < size; ++i) {
    bytes += static_cast<char>((value >> (8 * i)) & 0xffU);
  }
  return bytes;
}

// A constant pool that grows as constants are asked for.
struct Pool {
  std::string bytes;
  uint16_t count = 1;
  uint16_t utf8(const std::string& text) {
    bytes += '\x01' + big(static_cast<uint32_t>(text.size()), 2) + text;
    return count++;
  }
  uint16_t named(char tag, const std::string& name) {
    const uint16_t index = utf8(name);
    bytes += tag + big(index, 2);
    return count++;
  }
};

std::string classFile(const Pool& pool, const std::string& body) {
  return big(0xcafebabe, 4) + big(0, 2) + big(61, 2) + big(pool.count, 2) + pool.bytes + body;
}

}  // namespace

std::string classBytes(const std::string& name, const std::string& superName, uint16_t major,
                       const std::vector<TestMethod>& methods) {
  Pool pool;
  const uint16_t self = pool.named('\x07', name);
  const uint16_t super = superName.empty() ? 0 : pool.named('\x07', superName);
  std::string body = big(0x21, 2) + big(self, 2) + big(super, 2) + big(0, 2) + big(0, 2);
  body += big(static_cast<uint32_t>(methods.size()), 2);
  for (const TestMethod& method : methods) {
    const uint16_t methodName = pool.utf8(method.name);
    body += big(method.access, 2) + big(methodName, 2) + big(pool.utf8(method.descriptor), 2) +
            big(0, 2);
  }
  body += big(0, 2);
  std::string bytes = classFile(pool, body);
  bytes.replace(6, 2, big(major, 2));
  return bytes;
}

std::string moduleInfoBytes(const std::string& module, const std::string& mainClass) {
  Pool pool;
  const uint16_t self = pool.named('\x07', "module-info");
  const uint16_t moduleAttribute = pool.utf8("Module");
  const uint16_t moduleName = pool.named('\x13', module);
  std::string attributes = big(moduleAttribute, 2) + big(16, 4) + big(moduleName, 2) +
                           std::string(14, '\0');  // flags, version, no requires or exports
  uint16_t count = 1;
  if (!mainClass.empty()) {
    const uint16_t mainAttribute = pool.utf8("ModuleMainClass");
    attributes += big(mainAttribute, 2) + big(2, 4) + big(pool.named('\x07', mainClass), 2);
    ++count;
  }
  return classFile(pool, big(0x8000, 2) + big(self, 2) + big(0, 2) + std::string(6, '\0') +
                             big(count, 2) + attributes);
}

std::string jarBytes(const std::vector<TestEntry>& entries) {
  std::string local;
  std::string directory;
  for (const TestEntry& entry : entries) {
    std::string data = entry.contents;
    if (entry.deflated) {
      const auto size = static_cast<uint32_t>(data.size());
      data = '\x01' + little(size, 2) + little(~size & 0xffffU, 2) + data;
    }
    const std::string common = little(entry.deflated ? 8 : 0, 2) + little(0, 4) +
                               little(crc32(entry.contents), 4) +
                               little(static_cast<uint32_t>(data.size()), 4) +
                               little(static_cast<uint32_t>(entry.contents.size()), 4) +
                               little(static_cast<uint32_t>(entry.name.size()), 2) + little(0, 2);
    directory += little(0x02014b50, 4) + little(20, 2) + little(20, 2) + little(0, 2) + common +
                 std::string(6, '\0') + little(0, 4) +
                 little(static_cast<uint32_t>(local.size()), 4) + entry.name;
    local += little(0x04034b50, 4) + little(20, 2) + little(0, 2) + common + entry.name + data;
  }
  const auto count = static_cast<uint32_t>(entries.size());
  return local + directory + little(0x06054b50, 4) + little(0, 4) + little(count, 2) +
         little(count, 2) + little(static_cast<uint32_t>(directory.size()), 4) +
         little(static_cast<uint32_t>(local.size()), 4) + little(0, 2);
}

}  // namespace veltrane::check
