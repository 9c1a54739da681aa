// Runs requests against the loopback test server and records every report they post.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "net/wininet_wrapper.h"

struct RequestEvent {
  enum Kind { kContentLength, kProgress, kCompleted } kind;
  long long value;
};

class RequestRecorder : public WininetWrapperDelegate {
 public:
  void OnContentLength(WininetWrapper*, long long length) override {
    events.push_back({RequestEvent::kContentLength, length});
  }
  void OnProgress(WininetWrapper*, long long bytes) override {
    events.push_back({RequestEvent::kProgress, bytes});
  }
  void OnCompleted(WininetWrapper*) override { events.push_back({RequestEvent::kCompleted, 0}); }

  int Count(RequestEvent::Kind kind) const {
    int n = 0;
    for (const RequestEvent& e : events) n += e.kind == kind;
    return n;
  }
  std::vector<RequestEvent> events;
};

// Pumps this thread's messages until the recorder saw a completion (or the time is up),
// then a little longer so a second, wrong completion would be seen too.
inline bool PumpUntilCompleted(RequestRecorder& recorder, DWORD timeout_ms, DWORD linger_ms = 300) {
  const DWORD start = GetTickCount();
  DWORD completed_at = 0;
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    const DWORD now = GetTickCount();
    if (!completed_at && recorder.Count(RequestEvent::kCompleted) > 0) completed_at = now;
    if (completed_at && now - completed_at >= linger_ms) return true;
    if (!completed_at && now - start >= timeout_ms) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

// Port of the server the test fixture started (0 when it is not running).
int TestServerPort();
// Folder the server's /files/ answers come from (Windows path, no trailing backslash).
std::string TestServerRoot();
// "http://127.0.0.1:<port>" + path.
std::string TestServerUrl(const std::string& path);
