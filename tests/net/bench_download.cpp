// Benchmark helper: downloads one URL with WininetWrapper and prints the time taken, the
// body size and the process's peak memory. bench_download.exe <url>
#include <windows.h>
#include <psapi.h>

#include <cstdio>

#include "net/wininet_wrapper.h"

namespace {
class Waiter : public WininetWrapperDelegate {
 public:
  void OnContentLength(WininetWrapper*, int) override {}
  void OnProgress(WininetWrapper*, int) override {}
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
  request->Start();
  MSG msg;
  while (!waiter.done && GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  const DWORD elapsed = GetTickCount() - start;
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  std::printf("status %d bytes %u content_length %d ms %lu peak_working_set_kb %lu\n",
              request->statusCode, static_cast<unsigned>(request->response.size()),
              request->contentLength, static_cast<unsigned long>(elapsed),
              static_cast<unsigned long>(counters.PeakWorkingSetSize / 1024));
  return request->statusCode == 200 ? 0 : 1;
}
