#include "net/cng.h"

#include "log/setup_log.h"
#include "sys/string_utils.h"

std::string CngStatusText(NTSTATUS status) {
  return IntToString(static_cast<long long>(static_cast<unsigned long>(status)));
}

ScopedAlgorithm::ScopedAlgorithm(const wchar_t* id) {
  const NTSTATUS status = BCryptOpenAlgorithmProvider(&handle_, id, nullptr, 0);
  if (status != 0) {
    handle_ = nullptr;
    WriteLog("[**  ERR] BCryptOpenAlgorithmProvider failed -> " + CngStatusText(status));
  }
}

ScopedAlgorithm::~ScopedAlgorithm() {
  if (handle_) BCryptCloseAlgorithmProvider(handle_, 0);
}

Sha256::Sha256() : algorithm_(BCRYPT_SHA256_ALGORITHM) {
  if (!algorithm_.get()) return;
  const NTSTATUS status = BCryptCreateHash(algorithm_.get(), &hash_, nullptr, 0, nullptr, 0, 0);
  if (status != 0) {
    hash_ = nullptr;
    WriteLog("[**  ERR] BCryptCreateHash failed -> " + CngStatusText(status));
  }
}

Sha256::~Sha256() {
  if (hash_) BCryptDestroyHash(hash_);
}

bool Sha256::Update(const void* data, size_t size) {
  if (!hash_) return false;
  const NTSTATUS status = BCryptHashData(hash_, static_cast<PUCHAR>(const_cast<void*>(data)),
                                         static_cast<ULONG>(size), 0);
  if (status == 0) return true;
  WriteLog("[**  ERR] BCryptHashData failed -> " + CngStatusText(status));
  return false;
}

bool Sha256::Finish(unsigned char (&digest)[32]) {
  if (!hash_) return false;
  const NTSTATUS status = BCryptFinishHash(hash_, digest, sizeof(digest), 0);
  if (status == 0) return true;
  WriteLog("[**  ERR] BCryptFinishHash failed -> " + CngStatusText(status));
  return false;
}
