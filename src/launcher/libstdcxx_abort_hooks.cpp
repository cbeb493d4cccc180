// The launcher is built without exceptions, so a failure that the standard
// library would throw (a length beyond max_size) ends the process with
// abort, as an uncaught exception would; exhausted memory shows the failure
// report and ends it with status 1. Defining libstdc++'s
// allocation functions and throw helpers here keeps its exception runtime,
// its verbose terminate handler and the demangler out of the program: about
// 150 KB, several times what the launcher itself needs.
//
// Linked only into veltrane.exe. Other standard libraries have no such
// helpers, so the file is empty for them.
#include <cstdlib>
#include <new>

#include "launcher/memory_exhaustion.h"

#if defined(__GLIBCXX__)

#include <bits/functexcept.h>

// The names, the namespace and the variadic signature are libstdc++'s own:
// these definitions replace the library's.
// NOLINTBEGIN(cert-dcl58-cpp,cert-dcl50-cpp,bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp,readability-identifier-naming)

void* operator new(std::size_t size) {
  void* memory = std::malloc(size == 0 ? 1 : size);
  if (memory == nullptr) {
    veltrane::reportMemoryExhaustion();
    std::abort();
  }
  return memory;
}

void operator delete(void* memory) noexcept {
  std::free(memory);
}

void operator delete(void* memory, std::size_t /*size*/) noexcept {
  std::free(memory);
}

namespace std {

void __throw_bad_alloc() {
  veltrane::reportMemoryExhaustion();
  std::abort();
}
void __throw_bad_array_new_length() {
  std::abort();
}
void __throw_bad_cast() {
  std::abort();
}
void __throw_bad_typeid() {
  std::abort();
}
void __throw_bad_function_call() {
  std::abort();
}
void __throw_logic_error(const char* /*what*/) {
  std::abort();
}
void __throw_domain_error(const char* /*what*/) {
  std::abort();
}
void __throw_invalid_argument(const char* /*what*/) {
  std::abort();
}
void __throw_length_error(const char* /*what*/) {
  std::abort();
}
void __throw_out_of_range(const char* /*what*/) {
  std::abort();
}
void __throw_out_of_range_fmt(const char* /*format*/, ...) {
  std::abort();
}
void __throw_runtime_error(const char* /*what*/) {
  std::abort();
}
void __throw_range_error(const char* /*what*/) {
  std::abort();
}
void __throw_overflow_error(const char* /*what*/) {
  std::abort();
}
void __throw_underflow_error(const char* /*what*/) {
  std::abort();
}

// A failed library assertion (the launcher is built with them on) ends the
// process without formatting a message.
void __glibcxx_assert_fail(const char* /*file*/, int /*line*/, const char* /*function*/,
                           const char* /*condition*/) noexcept {
  std::abort();
}

}  // namespace std

// A call of a pure virtual function, which the code never makes.
extern "C" void __cxa_pure_virtual() {
  std::abort();
}

// NOLINTEND(cert-dcl58-cpp,cert-dcl50-cpp,bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp,readability-identifier-naming)

#endif  // defined(__GLIBCXX__)
