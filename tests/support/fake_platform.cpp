#include "support/fake_platform.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace veltrane {

namespace {

// Windows compares environment names ignoring case.
std::string lowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

}  // namespace

void FakePlatform::setCommandLine(const std::string& text) {
  // Exactly as long as the text and its NUL, so that AddressSanitizer sees
  // any read past the end.
  std::vector<char> line(text.size() + 1, '\0');
  std::copy(text.begin(), text.end(), line.begin());
  commandLine_.swap(line);
}

void FakePlatform::addFile(const std::string& path, const std::string& contents) {
  files_[path] = contents;
}

void FakePlatform::addDirectory(const std::string& path, std::uint32_t attributes) {
  directories_[path] = attributes;
}

void FakePlatform::setEnvironment(const std::string& name, const std::string& value) {
  environment_[lowerCase(name)] = value;
}

void FakePlatform::unsetEnvironment(const std::string& name) {
  environment_.erase(lowerCase(name));
}

std::string FakePlatform::environment(const std::string& name) const {
  auto found = environment_.find(lowerCase(name));
  return found == environment_.end() ? std::string() : found->second;
}

LaunchMode FakePlatform::launchMode() {
  return mode;
}

StartInformation FakePlatform::startInformation() {
  return ownStart;
}

std::string FakePlatform::appUserModelId() {
  return appId;
}

std::string FakePlatform::programPath() {
  return program;
}

char* FakePlatform::commandLine() {
  return commandLine_.data();
}

bool FakePlatform::isLeadByte(unsigned char byte) {
  return leadBytes.count(byte) != 0;
}

bool FakePlatform::ansiCodePageIsUtf8() {
  return utf8CodePage;
}

bool FakePlatform::getEnvironmentVariable(const std::string& name, std::string* value) {
  auto found = environment_.find(lowerCase(name));
  if (found == environment_.end()) {
    return false;
  }
  *value = found->second;
  return true;
}

bool FakePlatform::setEnvironmentVariable(const std::string& name, const std::string& value) {
  setEnvironment(name, value);
  return true;
}

bool FakePlatform::findFiles(const std::string& pattern, std::vector<DirectoryEntry>* entries) {
  auto found = listings.find(pattern);
  if (found == listings.end()) {
    return false;
  }
  const std::string folder = pattern.substr(0, pattern.rfind('\\') + 1);
  entries->clear();
  for (const std::string& name : found->second) {
    auto directory = directories_.find(folder + name);
    entries->push_back({name, directory != directories_.end() ? directory->second : 0x20});
  }
  return true;
}

FileAttributes FakePlatform::fileAttributes(const std::string& path) {
  attributeQueries.push_back(path);
  FileAttributes attributes;
  if (attributeErrors.count(path) != 0) {
    attributes.error = attributeErrors.at(path);
  } else if (directories_.count(path) != 0) {
    attributes.found = true;
    attributes.bits = directories_.at(path);
  } else if (files_.count(path) != 0) {
    attributes.found = true;
    attributes.bits = 0x20;  // archive
  } else {
    attributes.error = kErrorFileNotFound;
  }
  return attributes;
}

bool FakePlatform::readFile(const std::string& path, ByteSink& sink, SystemError* error) {
  auto found = files_.find(path);
  if (found == files_.end()) {
    *error = directories_.count(path) != 0 ? kErrorAccessDenied : kErrorFileNotFound;
    return false;
  }
  std::string_view bytes = found->second;
  *error = 0;
  auto failing = readErrors.find(path);
  if (failing != readErrors.end() && failing->second.offset < bytes.size()) {
    bytes = bytes.substr(0, failing->second.offset);
    *error = failing->second.error;
  }
  for (size_t start = 0; start < bytes.size(); start += readPieceSize) {
    sink.consume(bytes.substr(start, readPieceSize));
  }
  return true;
}

ProcessOutcome FakePlatform::runProcess(const std::string& application,
                                        const std::string& commandLine,
                                        const StartInformation& startup) {
  ProcessOutcome outcome;
  if (startErrors.count(application) != 0) {
    outcome.error = startErrors.at(application);
    return outcome;
  }
  if (files_.count(application) == 0) {
    outcome.error = kErrorFileNotFound;
    return outcome;
  }
  starts.push_back({application, commandLine, environment("path"), startup});
  outcome.started = true;
  outcome.exitCode = exitCodes.count(application) != 0 ? exitCodes.at(application) : 0;
  return outcome;
}

std::string FakePlatform::applicationName() {
  return name;
}

void FakePlatform::showMessage(const std::string& text, const std::string& caption) {
  messages.push_back({text, caption});
}

void FakePlatform::exitProcess(int status) {
  exitStatus = status;
}

std::unique_ptr<WrapperConfiguration> configureFromText(FakePlatform& platform,
                                                        const std::string& configText) {
  platform.setCommandLine("C:\\apps\\tool.exe");
  platform.addFile("C:\\apps\\tool.config", configText);
  char* commandLine = platform.commandLine();
  return std::make_unique<WrapperConfiguration>(platform, commandLine + std::strlen(commandLine));
}

}  // namespace veltrane
