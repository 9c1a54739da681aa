#include "net/file_digest.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "log/setup_log.h"
#include "net/cng.h"
#include "sys/scoped_handle.h"
#include "sys/string_utils.h"

FileDigest::FileDigest(const std::string& path) : path_(path), thread_([this] { Run(); }) {}

FileDigest::~FileDigest() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void FileDigest::Advance(int64_t bytes) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    written_ = bytes;
  }
  changed_.notify_all();
}

bool FileDigest::Finish(int64_t bytes, unsigned char (&digest)[32]) {
  std::unique_lock<std::mutex> lock(mutex_);
  written_ = bytes;
  wanted_ = bytes;
  changed_.notify_all();
  changed_.wait(lock, [this] { return ended_; });
  if (ok_) std::memcpy(digest, digest_, sizeof(digest_));
  return ok_;
}

void FileDigest::Run() {
  // Shared every way: the writer holds the file, and may delete or rename it.
  ScopedHandle file(CreateFileA(path_.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  const DWORD open_error = file.valid() ? 0 : GetLastError();
  Sha256 hash;
  std::vector<char> block(1 << 20);
  int64_t hashed = 0;
  bool ok = file.valid();
  for (;;) {
    int64_t available = 0;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [&] { return stop_ || written_ > hashed || wanted_ == hashed; });
      if (stop_ && wanted_ != hashed) {
        ok = false;
        break;
      }
      if (wanted_ == hashed) break;
      available = written_ - hashed;
    }
    if (!ok) {  // unreadable: only the end is waited for
      hashed += available;
      continue;
    }
    const DWORD want = static_cast<DWORD>(std::min<int64_t>(available, block.size()));
    DWORD read = 0;
    if (!ReadFile(file.get(), block.data(), want, &read, nullptr) || read != want ||
        !hash.Update(block.data(), read)) {
      WriteLog("[* WARN] Download not hashed while written -> " + path_ + " -> " +
               IntToString(static_cast<long long>(GetLastError())));
      ok = false;
    }
    hashed += want;
  }
  if (!file.valid())
    WriteLog("[* WARN] Download not hashed while written -> " + path_ + " -> " +
             IntToString(static_cast<long long>(open_error)));
  unsigned char digest[32];
  ok = ok && hash.Finish(digest);
  std::lock_guard<std::mutex> lock(mutex_);
  if (ok) std::memcpy(digest_, digest, sizeof(digest));
  ok_ = ok;
  ended_ = true;
  changed_.notify_all();
}
