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

// Progress reports at the pace of a body read in chunks of 16383 bytes with a report after
// every 11th chunk, whatever the size of the reads: the first report once the running total
// passes 10 x 16383 bytes, then one each time it passes another 11 x 16383, so a body of
// 10 x 16383 bytes or less reports no progress at all.
class ProgressCadence {
 public:
  static constexpr long long kChunk = 0x3FFF;
  static constexpr long long kChunksPerReport = 11;

  // Call after each read, repeatedly while it returns true: one report is due per threshold
  // passed, with `*value` the total at that chunk boundary (or the whole total, when less).
  bool Next(long long total, long long* value) {
    const long long boundary = (reports_ + 1) * kChunksPerReport * kChunk;
    if (total <= boundary - kChunk) return false;
    ++reports_;
    *value = total < boundary ? total : boundary;
    return true;
  }

 private:
  long long reports_ = 0;
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
