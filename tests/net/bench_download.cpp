// Benchmark helper: downloads one URL with WininetWrapper and prints the time taken, the
// body size and the process's peak memory. bench_download.exe <url> [target file]: with a
// target the body goes to disk, as a package's does.
#include <windows.h>
#include <psapi.h>

#include <cstdio>

#include "net/wininet_wrapper.h"

namespace {
class Waiter : public WininetWrapperDelegate {
 public:
  void OnContentLength(WininetWrapper*, long long) override {}
  void OnProgress(WininetWrapper*, long long) override {}
  void OnCompleted(WininetWrapper*) override { done = true; }
  bool done = false;
};
}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  Waiter waiter;
  const DWORD start = GetTickCount();
  WininetWrapper* request = new WininetWrapper(argv[1]);
  request->delegate = &waiter;
  if (argc > 2) request->target = argv[2];
  request->Start();
  MSG msg;
  while (!waiter.done && GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  const DWORD elapsed = GetTickCount() - start;
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  std::printf(
      "status %d bytes %lld content_length %lld ms %lu peak_working_set_kb %lu resumed_from %lld\n",
      request->statusCode, static_cast<long long>(request->bodyBytes),
      static_cast<long long>(request->contentLength), static_cast<unsigned long>(elapsed),
      static_cast<unsigned long>(counters.PeakWorkingSetSize / 1024),
      static_cast<long long>(request->resumedFrom));
  return request->statusCode == 200 || request->statusCode == 206 ? 0 : 1;
}
