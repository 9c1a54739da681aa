#include "net/md5_digest.h"

#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <vector>

#include "log/setup_log.h"
#include "sys/string_utils.h"

static_assert(sizeof(HCRYPTPROV) == sizeof(unsigned long), "32-bit crypto handles");

namespace {

// One provider for the whole process: acquiring one costs tens of milliseconds, which per
// file would dominate the checksum of a client folder with thousands of files.
HCRYPTPROV SharedProvider() {
  static const HCRYPTPROV provider = []() -> HCRYPTPROV {
    HCRYPTPROV acquired = 0;
    if (!CryptAcquireContextA(&acquired, nullptr, nullptr, PROV_RSA_FULL,
                              CRYPT_VERIFYCONTEXT | CRYPT_SILENT)) {
      WriteLog("[**  ERR] CryptAcquireContextA FAILED! " + IntToString(GetLastError()));
      return 0;
    }
    return acquired;
  }();
  return provider;
}

}  // namespace

Md5Digest::Md5Digest() {
  const HCRYPTPROV provider = SharedProvider();
  if (!provider) return;
  HCRYPTHASH hash = 0;
  if (!CryptCreateHash(provider, CALG_MD5, 0, 0, &hash)) {
    WriteLog("[**  ERR] CryptCreateHash FAILED! " + IntToString(GetLastError()));
    return;
  }
  hash_ = hash;
}

Md5Digest::~Md5Digest() {
  if (hash_) CryptDestroyHash(hash_);
}

void Md5Digest::Update(const void* data, size_t size) {
  if (!hash_ || size == 0) return;
  CryptHashData(hash_, static_cast<const BYTE*>(data), static_cast<DWORD>(size), 0);
}

std::string Md5Digest::HexDigest() {
  if (!hash_) return std::string();
  BYTE digest[16] = {};
  DWORD size = sizeof(digest);
  if (!CryptGetHashParam(hash_, HP_HASHVAL, digest, &size, 0) || size != sizeof(digest))
    return std::string();
  char text[33] = {};
  for (int i = 0; i < 16; ++i) std::snprintf(text + 2 * i, 3, "%02x", digest[i]);
  return text;
}

std::string Md5Hex(const std::string& data) {
  Md5Digest md5;
  md5.Update(data.data(), data.size());
  return md5.HexDigest();
}

std::string FileDigest(const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return "-1";
  Md5Digest md5;
  // The digest does not depend on how the bytes are split; large blocks save hash calls.
  std::vector<char> block(64 * 1024);
  size_t read;
  while ((read = std::fread(block.data(), 1, block.size(), file)) > 0)
    md5.Update(block.data(), read);
  const bool read_failed = std::ferror(file) != 0;
  std::fclose(file);
  // A file that cannot be read to its end counts like one that cannot be opened.
  const std::string digest = read_failed ? std::string() : md5.HexDigest();
  return digest.empty() ? "-1" : digest;
}
