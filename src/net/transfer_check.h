// Whether a download arrived whole. Pure: no Windows calls.
#pragma once
#include <cstddef>
#include <cstdint>

// Complete only with status 200 and exactly Content-Length body bytes: a cut connection or
// a server that sends no Content-Length never passes for a good package.
inline bool IsCompleteTransfer(int32_t status_code, int32_t content_length, size_t received) {
  return status_code == 200 && content_length >= 0 &&
         received == static_cast<size_t>(content_length);
}
