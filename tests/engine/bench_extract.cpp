// Benchmark helper: extracts an archive (or checksums a folder) and prints the time taken
// and the process's peak memory. bench_extract.exe extract <archive> <dest\> |
// bench_extract.exe checksum <folder> <version>
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>

#include "engine/archive_extractor.h"
#include "net/folder_checksum.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr,
                 "usage: bench_extract extract <archive> <dest\\> | checksum <folder> <version>\n");
    return 2;
  }
  const std::string mode = argv[1];
  const DWORD start = GetTickCount();
  int rc = 0;
  if (mode == "extract") {
    rc = static_cast<int>(ExtractArchive(argv[2], argv[3], nullptr, nullptr));
  } else {
    std::printf("checksum %s\n", FolderChecksum(argv[2], argv[3]).c_str());
  }
  const DWORD elapsed = GetTickCount() - start;
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  std::printf("result %d ms %lu peak_working_set_kb %lu peak_pagefile_kb %lu\n", rc,
              static_cast<unsigned long>(elapsed),
              static_cast<unsigned long>(counters.PeakWorkingSetSize / 1024),
              static_cast<unsigned long>(counters.PeakPagefileUsage / 1024));
  return rc;
}
