#include "survey/file_md5.h"

#include <windows.h>
#include <wincrypt.h>

#include <cstdio>

#include "log/setup_log.h"

namespace {

class CryptContext {
 public:
  CryptContext() {
    if (!CryptAcquireContextA(&provider_, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
      provider_ = 0;
  }
  ~CryptContext() {
    if (hash_) CryptDestroyHash(hash_);
    if (provider_) CryptReleaseContext(provider_, 0);
  }
  CryptContext(const CryptContext&) = delete;
  CryptContext& operator=(const CryptContext&) = delete;
  bool Begin() { return provider_ && CryptCreateHash(provider_, CALG_MD5, 0, 0, &hash_); }
  bool Add(const unsigned char* data, DWORD size) { return CryptHashData(hash_, data, size, 0); }
  bool Finish(unsigned char digest[16]) {
    DWORD size = 16;
    return CryptGetHashParam(hash_, HP_HASHVAL, digest, &size, 0) && size == 16;
  }

 private:
  HCRYPTPROV provider_ = 0;
  HCRYPTHASH hash_ = 0;
};

}  // namespace

std::string FileMd5Text(const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return "-1";
  CryptContext md5;
  bool ok = md5.Begin();
  if (!ok) WriteLog("[* WARN] MD5 not available -> " + std::to_string(GetLastError()));
  unsigned char block[1024];
  size_t read;
  while (ok && (read = std::fread(block, 1, sizeof(block), file)) > 0)
    ok = md5.Add(block, static_cast<DWORD>(read));
  if (ok && std::ferror(file)) ok = false;
  std::fclose(file);
  unsigned char digest[16];
  if (!ok || !md5.Finish(digest)) return "-1";
  char text[33];
  for (int i = 0; i < 16; ++i) std::snprintf(text + 2 * i, 3, "%02x", digest[i]);
  return std::string(text, 32);
}
