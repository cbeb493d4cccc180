// Times program starts for scripts/benchmark.sh from inside Wine, so that the
// Wine loader's own start-up is not part of any figure.
//
//   bench_timer pairs N OUT JOB   JOB holds two command lines, A and B; runs
//                                 them in N interleaved pairs (ABBA order) and
//                                 writes "microsecondsA microsecondsB
//                                 exitCodeA exitCodeB" lines
//   bench_timer runs N OUT JOB    JOB holds one command line; runs it N times
//                                 and writes "microseconds exitCode peakBytes"
//                                 lines, peakBytes being what vm_stand_in
//                                 recorded or, when it did not run (a launch
//                                 that ends in a report), the launcher's own
//                                 peak as sampled while it ran
//
// Every program starts in the timer's current directory and environment.
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Outcome {
  long long microseconds = -1;
  DWORD exitCode = 0;
  unsigned long long sampledPeak = 0;
};

// The peak working set so far; it only grows, so the last sample before the
// process ends is close to its final peak.
unsigned long long peakWorkingSet(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  return GetProcessMemoryInfo(process, &counters, sizeof(counters)) != FALSE
             ? counters.PeakWorkingSetSize
             : 0;
}

long long now() {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return counter.QuadPart;
}

Outcome timedRun(std::string commandLine, bool samplePeak = false) {
  static const long long frequency = [] {
    LARGE_INTEGER value;
    QueryPerformanceFrequency(&value);
    return value.QuadPart;
  }();
  Outcome outcome;
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  const long long started = now();
  if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                     &startup, &process) == FALSE) {
    std::fprintf(stderr, "bench_timer: cannot start %s: error %lu\n", commandLine.c_str(),
                 GetLastError());
    return outcome;
  }
  while (WaitForSingleObject(process.hProcess, samplePeak ? 2 : INFINITE) == WAIT_TIMEOUT) {
    outcome.sampledPeak = std::max(outcome.sampledPeak, peakWorkingSet(process.hProcess));
  }
  outcome.microseconds = (now() - started) * 1000000 / frequency;
  GetExitCodeProcess(process.hProcess, &outcome.exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return outcome;
}

unsigned long long takeRecordedPeak(const std::string& recordPath) {
  unsigned long long peak = 0;
  if (FILE* record = std::fopen(recordPath.c_str(), "r")) {
    if (std::fscanf(record, "%llu", &peak) != 1) {
      peak = 0;
    }
    std::fclose(record);
  }
  std::remove(recordPath.c_str());
  return peak;
}

int timePairs(int count, FILE* out, const std::vector<std::string>& jobs) {
  SetEnvironmentVariableA("VELTRANE_BENCH_RECORD", nullptr);
  for (int pair = 0; pair < count; ++pair) {
    // A first in even pairs, B first in odd ones: a drift favours neither.
    const bool aFirst = pair % 2 == 0;
    const Outcome first = timedRun(jobs[aFirst ? 0 : 1]);
    const Outcome second = timedRun(jobs[aFirst ? 1 : 0]);
    if (first.microseconds < 0 || second.microseconds < 0) {
      return 3;
    }
    const Outcome& a = aFirst ? first : second;
    const Outcome& b = aFirst ? second : first;
    std::fprintf(out, "%lld %lld %lu %lu\n", a.microseconds, b.microseconds, a.exitCode,
                 b.exitCode);
  }
  return 0;
}

int timeRuns(int count, FILE* out, const std::string& job, const std::string& outPath) {
  const std::string recordPath = outPath + ".peak";
  SetEnvironmentVariableA("VELTRANE_BENCH_RECORD", recordPath.c_str());
  std::remove(recordPath.c_str());
  for (int run = 0; run < count; ++run) {
    const Outcome outcome = timedRun(job, true);
    if (outcome.microseconds < 0) {
      return 3;
    }
    const unsigned long long recorded = takeRecordedPeak(recordPath);
    std::fprintf(out, "%lld %lu %llu\n", outcome.microseconds, outcome.exitCode,
                 recorded != 0 ? recorded : outcome.sampledPeak);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: bench_timer pairs|runs COUNT OUT JOB\n");
    return 2;
  }
  const std::string mode = argv[1];
  const int count = std::atoi(argv[2]);
  std::vector<std::string> jobs;
  std::ifstream jobFile(argv[4]);
  for (std::string line; std::getline(jobFile, line);) {
    jobs.push_back(line);
  }
  const size_t wanted = mode == "pairs" ? 2 : 1;
  if (count < 1 || jobs.size() != wanted || (mode != "pairs" && mode != "runs")) {
    std::fprintf(stderr, "bench_timer: bad arguments\n");
    return 2;
  }
  FILE* out = std::fopen(argv[3], "wb");  // Linux line ends for the script
  if (out == nullptr) {
    return 2;
  }
  const int status =
      mode == "pairs" ? timePairs(count, out, jobs) : timeRuns(count, out, jobs[0], argv[3]);
  std::fclose(out);
  return status;
}
