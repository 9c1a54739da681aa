// Helper process of the concurrency test: registers `rounds` workstations of one office and
// year, as a setup on another PC would, and exits with 1000 + the number that succeeded.
// Usage: sharedinfo_register_helper <SharedInfo> <pm> <year> <rounds> <tag> <start event>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "sharedinfo/sharedinfo.h"

int main(int argc, char** argv) {
  if (argc != 7) return 2;
  const std::string path = argv[1], pm = argv[2], year = argv[3], tag = argv[5];
  const int rounds = std::atoi(argv[4]);
  HANDLE start = OpenEventA(SYNCHRONIZE, FALSE, argv[6]);
  if (start == nullptr) return 3;
  // Tells the test this helper is about to wait, so both start their rounds together.
  HANDLE ready = CreateEventA(nullptr, TRUE, TRUE, (std::string(argv[6]) + "_" + tag).c_str());
  WaitForSingleObject(start, 30000);
  if (ready) CloseHandle(ready);
  CloseHandle(start);
  int done = 0;
  for (int round = 0; round < rounds; ++round) {
    int id = 0;
    if (CheckInstallation(path, year, &id) != 0) continue;
    const std::string who = "PC-" + tag + "\\utente" + std::to_string(round);
    if (AddPdlEntry(path, pm, "segreto", id, "C:\\Studio" + tag + "\\", who) == 0) ++done;
  }
  return 1000 + done;
}
