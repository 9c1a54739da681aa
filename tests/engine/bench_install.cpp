// Benchmark helper: a full installation (download of both packages, the manifest, both
// extractions) with the engine headless; prints the time and the process's peak memory.
// bench_install.exe <moltra url> <manifest url> <work folder>
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/install_engine.h"
#include "scripted_ui.h"

int main(int argc, char** argv) {
  if (argc < 4) return 2;
  const std::string root = argv[3];
  ScriptedUi ui;
  InstallParams params = TestInstallParams(root);
  params.moltra_archive_url = argv[1];
  params.qel_manifest_url = argv[2];
  const DWORD start = GetTickCount();
  // Where the time goes: each phase text with the milliseconds since the start.
  if (std::getenv("BENCH_PHASES"))
    ui.on_phase_text = [start](const std::string& text) {
      std::fprintf(stderr, "%6lu ms  %s\n", GetTickCount() - start, text.c_str());
    };
  InstallEngine* engine = new InstallEngine(params, ui);
  engine->StartPhase1();
  const bool done = ui.RunUntilDone(30 * 60 * 1000);
  const DWORD elapsed = GetTickCount() - start;
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  std::printf("install %s in %lu ms, peak private %lu KB, peak working set %lu KB\n",
              done && ui.finished ? "finished" : "FAILED", elapsed,
              static_cast<unsigned long>(counters.PeakPagefileUsage / 1024),
              static_cast<unsigned long>(counters.PeakWorkingSetSize / 1024));
  return done && ui.finished ? 0 : 1;
}
