// Helper process of the concurrency test: registers `rounds` workstations of one office and
// year, as a setup on another PC would, and exits with 1000 + the number that succeeded.
// Usage: sharedinfo_register_helper <SharedInfo> <pm> <year> <rounds> <tag> <start event>
// A start "@<file>" is a barrier between PCs (no shared events): the helper writes
// <file>.<tag> when it is ready and starts once <file> exists.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "sharedinfo/sharedinfo.h"

int main(int argc, char** argv) {
  if (argc != 7) return 2;
  const std::string path = argv[1], pm = argv[2], year = argv[3], tag = argv[5];
  const int rounds = std::atoi(argv[4]);
  if (argv[6][0] == '@') {
    const std::string barrier = argv[6] + 1;
    HANDLE ready = CreateFileA((barrier + "." + tag).c_str(), GENERIC_WRITE, 0, nullptr,
                               CREATE_ALWAYS, 0, nullptr);
    if (ready == INVALID_HANDLE_VALUE) return 3;
    CloseHandle(ready);
    for (DWORD waited = 0; GetFileAttributesA(barrier.c_str()) == INVALID_FILE_ATTRIBUTES;
         waited += 2) {
      if (waited > 120000) return 3;
      Sleep(2);
    }
  } else {
    HANDLE start = OpenEventA(SYNCHRONIZE, FALSE, argv[6]);
    if (start == nullptr) return 3;
    // Tells the test this helper is about to wait, so both start their rounds together.
    HANDLE ready = CreateEventA(nullptr, TRUE, TRUE, (std::string(argv[6]) + "_" + tag).c_str());
    WaitForSingleObject(start, 30000);
    if (ready) CloseHandle(ready);
    CloseHandle(start);
  }
  const DWORD began = GetTickCount();
  int done = 0;
  for (int round = 0; round < rounds; ++round) {
    int id = 0;
    if (CheckInstallation(path, year, &id) != 0) continue;
    const std::string who = "PC-" + tag + "\\utente" + std::to_string(round);
    if (AddPdlEntry(path, pm, "segreto", id, "C:\\Studio" + tag + "\\", who) == 0) ++done;
  }
  std::printf("%d registrations in %lu ms\n", done, GetTickCount() - began);
  return 1000 + done;
}
