// Receiver of an HTTP request's reports, delivered on the user-interface thread.
#pragma once

class WininetWrapper;

class WininetWrapperDelegate {
 public:
  // Status 200, the body is about to be read; `length` is Content-Length (0 when absent).
  virtual void OnContentLength(WininetWrapper* request, int length) = 0;
  // Part of the body has arrived.
  virtual void OnProgress(WininetWrapper* request, int bytes_so_far) = 0;
  // The request is over, successfully or not.
  virtual void OnCompleted(WininetWrapper* request) = 0;

 protected:
  ~WininetWrapperDelegate() = default;
};
