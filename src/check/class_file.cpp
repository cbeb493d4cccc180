#include "check/class_file.h"

namespace veltrane::check {

namespace {

enum Tag : uint8_t {
  kUtf8 = 1,
  kLong = 5,
  kDouble = 6,
  kClass = 7,
  kMethodHandle = 15,
  kMethodType = 16,
  kModule = 19,
  kPackage = 20,
};

// Big-endian reading that turns every read past the end into a failure.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}

  bool ok() const { return ok_; }
  uint32_t number(size_t size) {
    if (!ok_ || bytes_.size() - at_ < size) {
      ok_ = false;
      return 0;
    }
    uint32_t value = 0;
    for (size_t i = 0; i < size; ++i) {
      value = value << 8 | static_cast<unsigned char>(bytes_[at_++]);
    }
    return value;
  }
  uint16_t u2() { return static_cast<uint16_t>(number(2)); }
  std::string_view bytes(size_t size) {
    if (!ok_ || bytes_.size() - at_ < size) {
      ok_ = false;
      return {};
    }
    at_ += size;
    return bytes_.substr(at_ - size, size);
  }

 private:
  std::string_view bytes_;
  size_t at_ = 0;
  bool ok_ = true;
};

// Each constant's tag and where its contents start; only the tags the
// checker follows are kept apart, the others are skipped by their size.
struct Constant {
  uint8_t tag = 0;
  std::string_view utf8;
  uint16_t reference = 0;  // Class, Module, Package: the name's index
};

size_t constantSize(uint8_t tag) {
  switch (tag) {
    case kMethodHandle:
      return 3;
    case kClass:
    case 8:  // String
    case kMethodType:
    case kModule:
    case kPackage:
      return 2;
    case 3:   // Integer
    case 4:   // Float
    case 9:   // Fieldref
    case 10:  // Methodref
    case 11:  // InterfaceMethodref
    case 12:  // NameAndType
    case 17:  // Dynamic
    case 18:  // InvokeDynamic
      return 4;
    case kLong:
    case kDouble:
      return 8;
    default:
      return 0;
  }
}

std::vector<Constant> readConstants(Reader& in) {
  std::vector<Constant> pool(in.u2());
  for (size_t i = 1; i < pool.size() && in.ok(); ++i) {
    Constant& constant = pool[i];
    constant.tag = static_cast<uint8_t>(in.number(1));
    if (constant.tag == kUtf8) {
      constant.utf8 = in.bytes(in.u2());
    } else if (constant.tag == kClass || constant.tag == kModule || constant.tag == kPackage) {
      constant.reference = in.u2();
    } else if (constantSize(constant.tag) == 0) {
      return {};
    } else {
      in.bytes(constantSize(constant.tag));
      // Longs and doubles take two entries.
      i += constant.tag == kLong || constant.tag == kDouble ? 1 : 0;
    }
  }
  return in.ok() ? pool : std::vector<Constant>();
}

std::string utf8At(const std::vector<Constant>& pool, size_t index) {
  return index < pool.size() && pool[index].tag == kUtf8 ? std::string(pool[index].utf8) : "";
}

// A Class or Module constant's name.
std::string nameAt(const std::vector<Constant>& pool, size_t index, uint8_t tag) {
  return index < pool.size() && pool[index].tag == tag ? utf8At(pool, pool[index].reference) : "";
}

void skipAttributes(Reader& in) {
  for (uint16_t count = in.u2(); count > 0 && in.ok(); --count) {
    in.u2();
    in.bytes(in.number(4));
  }
}

void readMembers(Reader& in, const std::vector<Constant>& pool, std::vector<MethodInfo>* methods) {
  for (uint16_t count = in.u2(); count > 0 && in.ok(); --count) {
    MethodInfo method;
    method.access = in.u2();
    method.name = utf8At(pool, in.u2());
    method.descriptor = utf8At(pool, in.u2());
    skipAttributes(in);
    if (methods != nullptr) {
      methods->push_back(std::move(method));
    }
  }
}

void readClassAttributes(Reader& in, const std::vector<Constant>& pool, ClassFile& file) {
  for (uint16_t count = in.u2(); count > 0 && in.ok(); --count) {
    const std::string name = utf8At(pool, in.u2());
    Reader attribute(in.bytes(in.number(4)));
    if (name == "Module") {
      file.moduleName = nameAt(pool, attribute.u2(), kModule);
    } else if (name == "ModuleMainClass") {
      file.moduleMainClass = nameAt(pool, attribute.u2(), kClass);
    }
  }
}

}  // namespace

std::optional<ClassFile> readClassFile(std::string_view bytes) {
  Reader in(bytes);
  if (in.number(4) != 0xcafebabe) {
    return std::nullopt;
  }
  ClassFile file;
  in.u2();  // minor version
  file.majorVersion = in.u2();
  const std::vector<Constant> pool = readConstants(in);
  file.access = in.u2();
  file.name = nameAt(pool, in.u2(), kClass);
  file.superName = nameAt(pool, in.u2(), kClass);
  in.bytes(2 * size_t{in.u2()});   // interfaces
  readMembers(in, pool, nullptr);  // fields
  readMembers(in, pool, &file.methods);
  readClassAttributes(in, pool, file);
  if (!in.ok() || pool.empty()) {
    return std::nullopt;
  }
  return file;
}

int javaReleaseOf(uint16_t majorVersion) {
  return majorVersion - 44;
}

}  // namespace veltrane::check
