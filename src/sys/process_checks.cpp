#include "sys/process_checks.h"

#include <tlhelp32.h>

#include <cstring>
#include <string>
#include <vector>

#include "log/setup_log.h"
#include "sys/platform_menu.h"
#include "sys/scoped_handle.h"

namespace {

// Calls `visit` for each running process. Every entry is looked at: the first one is the
// idle process on Windows, whose name never matches, so nothing is gained by skipping it.
template <typename Visit>
void ForEachProcess(Visit visit) {
  ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.valid()) return;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof(entry);
  if (!Process32First(snapshot.get(), &entry)) return;
  do {
    visit(entry);
  } while (Process32Next(snapshot.get(), &entry));
}

// Layout of a 32-bit process: PEB -> ProcessParameters (offset 16) -> CommandLine (64).
struct BasicInformation32 {
  LONG exit_status;
  DWORD peb_address;
  DWORD affinity_mask;
  LONG base_priority;
  DWORD unique_process_id;
  DWORD parent_process_id;
};
static_assert(sizeof(BasicInformation32) == 24, "process basic information is 24 bytes");

#pragma pack(push, 1)
struct UnicodeString32 {
  USHORT length;  // in bytes
  USHORT maximum_length;
  DWORD buffer;
};
#pragma pack(pop)
static_assert(sizeof(UnicodeString32) == 8, "command-line descriptor is 8 bytes");

using NtQueryInformationProcessFn = LONG(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);

bool ReadExact(HANDLE process, DWORD address, void* target, size_t size) {
  SIZE_T read = 0;
  return ReadProcessMemory(process, reinterpret_cast<LPCVOID>(static_cast<uintptr_t>(address)),
                           target, size, &read) &&
         read == size;
}

// The command line of a 32-bit process, or false when any step fails.
bool ReadCommandLine(DWORD pid, std::wstring* command_line) {
  ScopedHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
  if (!process.valid()) return false;
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  if (!ntdll) return false;
  auto query = reinterpret_cast<NtQueryInformationProcessFn>(
      reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQueryInformationProcess")));
  if (!query) return false;

  BasicInformation32 basic = {};
  ULONG returned = 0;
  if (query(process.get(), 0 /* ProcessBasicInformation */, &basic, sizeof(basic), &returned) != 0)
    return false;
  DWORD parameters = 0;
  if (!ReadExact(process.get(), basic.peb_address + 16, &parameters, sizeof(parameters)))
    return false;
  UnicodeString32 descriptor = {};
  if (!ReadExact(process.get(), parameters + 64, &descriptor, sizeof(descriptor))) return false;
  std::wstring text(descriptor.length / 2, L'\0');
  if (!text.empty() &&
      !ReadExact(process.get(), descriptor.buffer, &text[0], text.size() * sizeof(wchar_t)))
    return false;
  *command_line = text;
  return true;
}

}  // namespace

// A client being ended has this long to let go of its files before it counts as running.
constexpr DWORD kQelExitWaitMs = 10000;

namespace {

QelClose FindQel(bool terminate) {
  QelClose state = QelClose::kNone;
  ForEachProcess([&](const PROCESSENTRY32& entry) {
    if (std::strcmp(entry.szExeFile, "qel.exe") != 0) return;
    if (state == QelClose::kNone) state = QelClose::kClosed;
    if (!terminate) return;
    ScopedHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID));
    if (!process.valid()) {
      WriteLog("[* WARN] Qel not opened -> " + std::to_string(entry.th32ProcessID) + " -> " +
               std::to_string(GetLastError()));
      state = QelClose::kStillRunning;
      return;
    }
    if (!TerminateProcess(process.get(), 0))
      WriteLog("[* WARN] Qel not terminated -> " + std::to_string(GetLastError()));
    // Its files stay in use until it is really gone.
    if (WaitForSingleObject(process.get(), kQelExitWaitMs) != WAIT_OBJECT_0)
      state = QelClose::kStillRunning;
  });
  return state;
}

}  // namespace

bool IsQelRunning(HWND, bool override_check, bool terminate) {
  if (override_check) {
    WriteLog("[* WARN] Qel running check overridden");
    return false;
  }
  return FindQel(terminate) != QelClose::kNone;
}

QelClose CloseRunningQel(bool override_check) {
  if (override_check) {
    WriteLog("[* WARN] Qel running check overridden");
    return QelClose::kNone;
  }
  return FindQel(true);
}

bool IsMoltraRunning(HWND, bool override_check) {
  if (override_check) {
    WriteLog("[* WARN] Moltra running check overridden");
    return false;
  }
  bool running = false;
  ForEachProcess([&](const PROCESSENTRY32& entry) {
    if (std::strcmp(entry.szExeFile, "wrun32.exe") != 0) return;
    std::wstring command_line;
    if (ReadCommandLine(entry.th32ProcessID, &command_line) &&
        CommandLineRunsPlatformMenu(command_line))
      running = true;
  });
  return running;
}
