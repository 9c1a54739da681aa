#include "app/single_instance.h"

#include <windows.h>

#include "app/run_mode.h"

namespace {
HANDLE g_instance_mutex = nullptr;  // held for the life of the interactive setup
}

bool AcquireSingleInstance(const std::string& name) {
  const std::string mutex_name = name.empty() ? kSingleInstanceMutex : name;
  HANDLE mutex = CreateMutexA(nullptr, TRUE, mutex_name.c_str());
  const DWORD error = GetLastError();
  if (mutex && error == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return false;
  }
  // Held by a setup of another user or an elevated one: it exists all the same.
  if (!mutex && error == ERROR_ACCESS_DENIED) return false;
  g_instance_mutex = mutex;
  return true;
}

void ReleaseSingleInstance() {
  if (!g_instance_mutex) return;
  ReleaseMutex(g_instance_mutex);
  CloseHandle(g_instance_mutex);
  g_instance_mutex = nullptr;
}
