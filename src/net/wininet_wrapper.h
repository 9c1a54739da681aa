// One HTTP request on WinINet: runs on a detached worker thread and reports back to the
// user-interface thread through messages posted to a message-only window.
#pragma once
#include <windows.h>

#include <atomic>
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
  // A resumed body: the reports due for the bytes already on disk are not sent again.
  void SkipTo(long long total) {
    long long value = 0;
    while (Next(total, &value)) {
    }
  }

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
  // The caller no longer wants the answer: the worker stops reading at the next block and
  // still reports its end (any thread).
  void Cancel() { cancelled_ = true; }

  // The partial file and its resume record beside a package's final name.
  static std::string PartialPath(const std::string& target) { return target + ".part"; }
  static std::string ResumeRecordPath(const std::string& target) { return target + ".part.info"; }
  // Removes both (a partial file is never trusted once its installation has ended).
  static void RemovePartial(const std::string& target);

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
  // Byte counts are 64-bit: packages may exceed 2 GB. For a resumed file they count the
  // whole file, the part already on disk included.
  int64_t contentLength = 0;
  int64_t bytesReceived = 0;
  uint32_t error = 0;
  HWND window = nullptr;
  std::thread thread;
  WininetWrapperDelegate* delegate = nullptr;
  int port = 80;  // from the URL: 443/80 by scheme unless the host names one

  // Set before Start: a package's final name. The body then goes to PartialPath(target) as
  // it arrives and is renamed to `target` only once complete; a cut transfer keeps the
  // partial file and the next request for the same URL asks for the rest only. Empty: a
  // small document, held in `response` (at most kMaxDocumentBytes).
  std::string target;
  static constexpr int64_t kMaxDocumentBytes = 16 << 20;

  // Final once the completion is reported. Whether Content-Length (or Content-Range) gave
  // the length; the body's bytes (the whole file's, for a target); where a resumed body
  // began (0: from the start); the Windows code of a failed write of the target (0: none).
  bool contentLengthKnown = false;
  int64_t bodyBytes = 0;
  int64_t resumedFrom = 0;
  uint32_t writeError = 0;
  // For a target written whole: the SHA-256 of its bytes, taken while they were written.
  bool bodyDigestKnown = false;
  unsigned char bodySha256[32] = {};

  // The value of the content-length report (the window procedure reads it).
  int64_t PostedLength() const { return posted_length_; }

 private:
  void RunRequest();
  // Sends the request, with a range for the rest of a resumable partial file; false when
  // no answer came. `resume_offset` is 0 when the whole file is asked for.
  bool Send(void* request, int64_t resume_offset, const std::string& validator);
  // Reads the body of an answer into `response` or the partial file; false when it was cut
  // short on purpose (too large for memory, write failure, cancel).
  bool ReadBody(void* request, int64_t offset);
  bool ReadToMemory(void* request);
  bool ReadToFile(void* request, int64_t offset);
  void PostProgress(long long value);

  std::atomic<bool> cancelled_{false};
  int64_t posted_length_ = 0;  // the content-length report's value, read by the window
};
