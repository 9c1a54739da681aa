// MD5 through the system's crypto provider, and the digest text forms the update checks use.
#pragma once
#include <cstddef>
#include <string>

class Md5Digest {
 public:
  Md5Digest();
  ~Md5Digest();
  Md5Digest(const Md5Digest&) = delete;
  Md5Digest& operator=(const Md5Digest&) = delete;

  bool ok() const { return hash_ != 0; }
  void Update(const void* data, size_t size);
  // The 16 digest bytes as 32 lowercase hexadecimal digits; empty when the provider failed.
  std::string HexDigest();

 private:
  unsigned long hash_ = 0;  // HCRYPTHASH; the provider is shared by the process
};

// MD5 text form of `data`.
std::string Md5Hex(const std::string& data);
// MD5 text form of a file's bytes; "-1" when it cannot be opened.
std::string FileDigest(const std::string& path);
