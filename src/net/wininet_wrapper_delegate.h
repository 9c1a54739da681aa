// Receiver of an HTTP request's reports, delivered on the user-interface thread.
#pragma once

class WininetWrapper;

class WininetWrapperDelegate {
 public:
  // Status 200 (or 206 for the rest of a file), the body is about to be read; `length` is
  // the whole file's length (0 when absent).
  virtual void OnContentLength(WininetWrapper* request, long long length) = 0;
  // Part of the body has arrived; a resumed file counts from its start.
  virtual void OnProgress(WininetWrapper* request, long long bytes_so_far) = 0;
  // The request is over, successfully or not.
  virtual void OnCompleted(WininetWrapper* request) = 0;

 protected:
  ~WininetWrapperDelegate() = default;
};
