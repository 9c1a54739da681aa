#include "net/signature.h"

#include <windows.h>
#include <bcrypt.h>

#include <cstring>

#include "log/setup_log.h"
#include "net/cng.h"
#include "net/signature_document.h"
#include "sys/scoped_handle.h"
#include "sys/string_utils.h"
#include "zav_signing_keys.h"

namespace {

constexpr NTSTATUS kStatusInvalidSignature = static_cast<NTSTATUS>(0xC000A000);

struct ScopedKey {
  BCRYPT_KEY_HANDLE handle = nullptr;
  ScopedKey() = default;
  ~ScopedKey() {
    if (handle) BCryptDestroyKey(handle);
  }
  ScopedKey(const ScopedKey&) = delete;
  ScopedKey& operator=(const ScopedKey&) = delete;
};

bool Digest(const void* data, size_t size, unsigned char (&digest)[32]) {
  Sha256 hash;
  return hash.Update(data, size) && hash.Finish(digest);
}

const SigningKey* KeyWithId(const std::vector<SigningKey>& keys, const unsigned char* id) {
  for (const SigningKey& key : keys) {
    unsigned char digest[32];
    if (Digest(key.xy, sizeof(key.xy), digest) && std::memcmp(digest, id, 8) == 0) return &key;
  }
  return nullptr;
}

SignatureCheck VerifyStatement(const SigningKey& key, const SignatureDocument& document) {
  unsigned char digest[32];
  const std::string statement = SignedStatement(document);
  if (!Digest(statement.data(), statement.size(), digest)) return SignatureCheck::kFailed;
  ScopedAlgorithm ecdsa(BCRYPT_ECDSA_P256_ALGORITHM);
  if (!ecdsa.get()) return SignatureCheck::kFailed;
  struct {
    BCRYPT_ECCKEY_BLOB header;
    unsigned char xy[64];
  } blob = {{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 32}, {}};
  std::memcpy(blob.xy, key.xy, sizeof(blob.xy));
  ScopedKey imported;
  NTSTATUS status =
      BCryptImportKeyPair(ecdsa.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, &imported.handle,
                          reinterpret_cast<PUCHAR>(&blob), sizeof(blob), 0);
  if (status != 0) {
    imported.handle = nullptr;
    WriteLog("[**  ERR] BCryptImportKeyPair failed -> " + CngStatusText(status));
    return SignatureCheck::kFailed;
  }
  unsigned char signature[64];
  std::memcpy(signature, document.signature, sizeof(signature));
  status = BCryptVerifySignature(imported.handle, nullptr, digest, sizeof(digest), signature,
                                 sizeof(signature), 0);
  if (status == 0) return SignatureCheck::kValid;
  if (status == kStatusInvalidSignature) return SignatureCheck::kMismatch;
  WriteLog("[**  ERR] BCryptVerifySignature failed -> " + CngStatusText(status));
  return SignatureCheck::kFailed;
}

// Everything but the file's own bytes: the document, its key, its signature and its name.
SignatureCheck CheckDocument(const std::string& name, const std::string& signature,
                             const std::vector<SigningKey>& keys, SignatureDocument& document) {
  if (signature.empty()) return SignatureCheck::kMissing;
  if (!ParseSignatureDocument(signature, document)) return SignatureCheck::kMalformed;
  const SigningKey* key = KeyWithId(keys, document.key_id);
  if (!key) return SignatureCheck::kWrongKey;
  const SignatureCheck check = VerifyStatement(*key, document);
  if (check != SignatureCheck::kValid) return check;
  if (document.file != name) {
    WriteLog("[* WARN] Signature names another file -> " + document.file + " instead of " + name);
    return SignatureCheck::kMismatch;
  }
  return SignatureCheck::kValid;
}

}  // namespace

const char* SignatureCheckText(SignatureCheck check) {
  switch (check) {
    case SignatureCheck::kValid:
      return "valid";
    case SignatureCheck::kMissing:
      return "missing";
    case SignatureCheck::kMalformed:
      return "malformed";
    case SignatureCheck::kWrongKey:
      return "wrong key";
    case SignatureCheck::kMismatch:
      return "does not match";
    case SignatureCheck::kFailed:
      break;
  }
  return "cannot be checked";
}

const std::vector<SigningKey>& BuiltInSigningKeys() {
  static const std::vector<SigningKey> keys = [] {
    std::vector<SigningKey> list;
    for (const auto& bytes : kZavSigningKeys) {
      SigningKey key;
      std::memcpy(key.xy, bytes, sizeof(key.xy));
      list.push_back(key);
    }
    return list;
  }();
  return keys;
}

SignatureCheck VerifySignedBuffer(const std::string& data, const std::string& name,
                                  const std::string& signature,
                                  const std::vector<SigningKey>& keys) {
  SignatureDocument document;
  const SignatureCheck check = CheckDocument(name, signature, keys, document);
  if (check != SignatureCheck::kValid) return check;
  unsigned char digest[32];
  if (!Digest(data.data(), data.size(), digest)) return SignatureCheck::kFailed;
  return document.size == data.size() && std::memcmp(digest, document.sha256, 32) == 0
             ? SignatureCheck::kValid
             : SignatureCheck::kMismatch;
}

SignatureCheck VerifySignedDigest(uint64_t size, const unsigned char (&sha256)[32],
                                  const std::string& name, const std::string& signature,
                                  const std::vector<SigningKey>& keys) {
  SignatureDocument document;
  const SignatureCheck check = CheckDocument(name, signature, keys, document);
  if (check != SignatureCheck::kValid) return check;
  return document.size == size && std::memcmp(sha256, document.sha256, 32) == 0
             ? SignatureCheck::kValid
             : SignatureCheck::kMismatch;
}

SignatureCheck VerifySignedFile(const std::string& path, const std::string& name,
                                const std::string& signature, const std::vector<SigningKey>& keys) {
  SignatureDocument document;
  const SignatureCheck check = CheckDocument(name, signature, keys, document);
  if (check != SignatureCheck::kValid) return check;
  ScopedHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.valid()) {
    WriteLog("[**  ERR] Cannot open " + path + " -> " +
             IntToString(static_cast<long long>(GetLastError())));
    return SignatureCheck::kFailed;
  }
  LARGE_INTEGER size = {};
  if (!GetFileSizeEx(file.get(), &size) || static_cast<uint64_t>(size.QuadPart) != document.size)
    return SignatureCheck::kMismatch;
  Sha256 hash;
  std::vector<char> block(1 << 20);
  uint64_t total = 0;
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(file.get(), block.data(), static_cast<DWORD>(block.size()), &read, nullptr)) {
      WriteLog("[**  ERR] Cannot read " + path + " -> " +
               IntToString(static_cast<long long>(GetLastError())));
      return SignatureCheck::kFailed;
    }
    if (read == 0) break;
    if (!hash.Update(block.data(), read)) return SignatureCheck::kFailed;
    total += read;
  }
  unsigned char digest[32];
  if (!hash.Finish(digest)) return SignatureCheck::kFailed;
  return total == document.size && std::memcmp(digest, document.sha256, 32) == 0
             ? SignatureCheck::kValid
             : SignatureCheck::kMismatch;
}

bool ParsePublicKeyText(const std::string& text, SigningKey& key) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    return ParseHexBytes(line, key.xy, sizeof(key.xy));
  }
  return false;
}
