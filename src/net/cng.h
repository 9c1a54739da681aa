// The system's crypto (CNG) behind owners that close what they open: an algorithm provider
// and SHA-256 in pieces. Failures are logged at the failing call.
#pragma once
#include <windows.h>
#include <bcrypt.h>

#include <cstddef>
#include <string>

// The status of a CNG call as the log shows it.
std::string CngStatusText(NTSTATUS status);

class ScopedAlgorithm {
 public:
  explicit ScopedAlgorithm(const wchar_t* id);
  ~ScopedAlgorithm();
  ScopedAlgorithm(const ScopedAlgorithm&) = delete;
  ScopedAlgorithm& operator=(const ScopedAlgorithm&) = delete;
  BCRYPT_ALG_HANDLE get() const { return handle_; }

 private:
  BCRYPT_ALG_HANDLE handle_ = nullptr;
};

// SHA-256 in pieces: BCryptHash (one call) exists only from Windows 10 on.
class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;
  bool Update(const void* data, size_t size);
  bool Finish(unsigned char (&digest)[32]);

 private:
  ScopedAlgorithm algorithm_;
  BCRYPT_HASH_HANDLE hash_ = nullptr;
};
