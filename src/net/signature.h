// Verification of the publisher's signatures with the system's own crypto (CNG: ECDSA P-256
// over SHA-256). Every file the setup downloads is trusted only once its signature document
// (net/signature_document.h) verifies against a key built into the setup.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

enum class SignatureCheck { kValid, kMissing, kMalformed, kWrongKey, kMismatch, kFailed };

// The reason as the log names it: "valid", "missing", "malformed", "wrong key",
// "does not match", "cannot be checked".
const char* SignatureCheckText(SignatureCheck check);

// A P-256 public key: X and Y, 32 bytes each, big-endian.
struct SigningKey {
  unsigned char xy[64];
};

// The keys this build trusts (the ZAV_SIGNING_KEY and ZAV_SIGNING_KEY_2 build options).
const std::vector<SigningKey>& BuiltInSigningKeys();

// `signature` is the document's text; empty stands for a missing one. `name` is the name
// the statement must carry (SignedFileName of the download's URL).
SignatureCheck VerifySignedBuffer(const std::string& data, const std::string& name,
                                  const std::string& signature,
                                  const std::vector<SigningKey>& keys = BuiltInSigningKeys());
// The same over a complete file on disk, read through once.
SignatureCheck VerifySignedFile(const std::string& path, const std::string& name,
                                const std::string& signature,
                                const std::vector<SigningKey>& keys = BuiltInSigningKeys());

// The same for a file whose size and SHA-256 were taken while it was written.
SignatureCheck VerifySignedDigest(uint64_t size, const unsigned char (&sha256)[32],
                                  const std::string& name, const std::string& signature,
                                  const std::vector<SigningKey>& keys = BuiltInSigningKeys());

// Reads a public key file of "tools/publish keygen": one line of 128 hexadecimal digits
// (X||Y), '#' lines are comments. False when there is none.
bool ParsePublicKeyText(const std::string& text, SigningKey& key);
