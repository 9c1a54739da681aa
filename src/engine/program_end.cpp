#include "engine/program_end.h"

#include <windows.h>

#include <mutex>

namespace {
std::mutex g_mutex;
ProgramEndHandler g_handler;
}  // namespace

void EndProgram(unsigned code) {
  ProgramEndHandler handler;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    handler = g_handler;
  }
  if (!handler) ExitProcess(code);
  handler(code);
}

void SetProgramEndHandler(ProgramEndHandler handler) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_handler = std::move(handler);
}
