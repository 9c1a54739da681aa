// Owners of kernel and search handles, closed however the function that holds them ends.
#pragma once
#include <windows.h>

#include <string>

// A handle closed with CloseHandle; null and INVALID_HANDLE_VALUE both stand for "none".
class ScopedHandle {
 public:
  explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
  ~ScopedHandle() {
    if (valid()) CloseHandle(handle_);
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }
  // Closes now, for callers that must know whether closing worked (a file's last write
  // can fail there); false with the Windows error available.
  bool Close() {
    const bool ok = CloseHandle(handle_) != FALSE;
    handle_ = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// A directory search of FindFirstFileA, closed with FindClose. `entry` holds the current
// entry; Next moves on and answers false when no further entry can be read.
class ScopedFind {
 public:
  explicit ScopedFind(const std::string& pattern) {
    handle_ = FindFirstFileA(pattern.c_str(), &entry);
  }
  ~ScopedFind() {
    if (valid()) FindClose(handle_);
  }
  ScopedFind(const ScopedFind&) = delete;
  ScopedFind& operator=(const ScopedFind&) = delete;
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  bool Next() { return FindNextFileA(handle_, &entry) != FALSE; }

  WIN32_FIND_DATAA entry = {};

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};
