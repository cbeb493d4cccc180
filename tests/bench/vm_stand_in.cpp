// Stands in for javaw.exe in the benchmark: a windowed program that exits 0
// at once. When VELTRANE_BENCH_RECORD names a file, it first writes there the
// peak working set of its parent (the launcher, which waits for it), in bytes.
#include <windows.h>

#include <psapi.h>
#include <tlhelp32.h>

#include <cstdio>

namespace {

DWORD parentProcessId() {
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) {
    return 0;
  }
  const DWORD self = GetCurrentProcessId();
  DWORD parent = 0;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32First(snapshot, &entry); more != FALSE;
       more = Process32Next(snapshot, &entry)) {
    if (entry.th32ProcessID == self) {
      parent = entry.th32ParentProcessID;
      break;
    }
  }
  CloseHandle(snapshot);
  return parent;
}

unsigned long long parentPeakWorkingSet() {
  const HANDLE parent =
      OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, parentProcessId());
  if (parent == nullptr) {
    return 0;
  }
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  const BOOL known = GetProcessMemoryInfo(parent, &counters, sizeof(counters));
  CloseHandle(parent);
  return known != FALSE ? counters.PeakWorkingSetSize : 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
  char recordPath[MAX_PATH];
  const DWORD length = GetEnvironmentVariableA("VELTRANE_BENCH_RECORD", recordPath, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    return 0;
  }
  const unsigned long long peak = parentPeakWorkingSet();
  if (FILE* record = std::fopen(recordPath, "w")) {
    std::fprintf(record, "%llu\n", peak);
    std::fclose(record);
  }
  return 0;
}
