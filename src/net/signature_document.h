// The signature document published beside every file the setup downloads (NAME + ".sig").
// Pure: no Windows calls. The text, one field a line:
//
//   ZAV2021 signature 1
//   file <name of the signed file on the server>
//   size <its size in bytes>
//   sha256 <its SHA-256, 64 lowercase hexadecimal digits>
//   key <key id: the first 8 bytes of the SHA-256 of the public key's X||Y, in hexadecimal>
//   signature <ECDSA P-256 over SHA-256 of the five lines above, r||s, 128 hex digits>
//
// The signed statement names the file, so a valid signature of another file, or of the
// same file of another run mode (whose names differ), is refused.
#pragma once
#include <cstdint>
#include <string>

extern const char kSignatureTag[];  // "ZAV2021 signature 1"
constexpr size_t kMaxSignatureDocument = 1024;

struct SignatureDocument {
  std::string file;
  uint64_t size = 0;
  unsigned char sha256[32] = {};
  unsigned char key_id[8] = {};
  unsigned char signature[64] = {};
};

// Strict: the six lines in this order (LF or CRLF), lowercase hexadecimal of the exact
// lengths, nothing else. False for anything else.
bool ParseSignatureDocument(const std::string& text, SignatureDocument& document);
// The statement the signature covers, rebuilt from the fields (line ends are LF).
std::string SignedStatement(const SignatureDocument& document);
// Lowercase hexadecimal of exactly `bytes` bytes into `out`.
bool ParseHexBytes(const std::string& text, unsigned char* out, size_t bytes);
// The name a download's signature must carry: the last segment of the URL's path.
std::string SignedFileName(const std::string& url);
