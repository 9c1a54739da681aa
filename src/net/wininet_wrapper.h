// One HTTP request on WinINet: runs on a detached worker thread and reports back to the
// user-interface thread through messages posted to a message-only window.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <thread>

#include "net/wininet_wrapper_delegate.h"

constexpr UINT kRequestMessageContentLength = WM_USER + 2;
constexpr UINT kRequestMessageProgress = WM_USER + 3;
constexpr UINT kRequestMessageCompleted = WM_USER + 4;

// Counts body chunks: a progress report is due after every 11th chunk, so a body of ten
// chunks or fewer reports no progress at all.
class ChunkCounter {
 public:
  bool OnChunk() {
    if (count_ == 10) {
      count_ = 0;
      return true;
    }
    ++count_;
    return false;
  }

 private:
  int count_ = 0;
};

class WininetWrapper {
 public:
  // Parses the URL and creates the request's window on the calling thread, which must run
  // a message loop (the user-interface thread).
  explicit WininetWrapper(const std::string& url);
  WininetWrapper(const WininetWrapper&) = delete;
  WininetWrapper& operator=(const WininetWrapper&) = delete;

  void SetProxyCredentials(const std::string& user, const std::string& password);
  // Runs the request on a new thread and returns once that thread is running.
  void Start();

  uint32_t post = 0;
  bool https = false;
  std::string host;
  std::string path;
  std::string proxyHost;
  int32_t proxyPort = 0;
  std::string proxyUser;
  std::string proxyPassword;
  std::string headers;
  std::string body;
  int32_t statusCode = -1;
  std::string response;
  int32_t contentLength = 0;
  int32_t bytesReceived = 0;
  uint32_t error = 0;
  HWND window = nullptr;
  std::thread thread;
  WininetWrapperDelegate* delegate = nullptr;
  int port = 80;  // from the URL: 443/80 by scheme unless the host names one

 private:
  void RunRequest();
  // Reads the body of a 200 answer into `response`; false when it cannot be held in memory.
  bool ReadBody(void* request, int content_length);
};
