#include "net/signature_document.h"

#include <cstring>
#include <vector>

const char kSignatureTag[] = "ZAV2021 signature 1";

bool ParseHexBytes(const std::string& text, unsigned char* out, size_t bytes) {
  if (text.size() != bytes * 2) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    int value;
    if (c >= '0' && c <= '9')
      value = c - '0';
    else if (c >= 'a' && c <= 'f')
      value = c - 'a' + 10;
    else
      return false;
    if (i % 2 == 0)
      out[i / 2] = static_cast<unsigned char>(value << 4);
    else
      out[i / 2] |= static_cast<unsigned char>(value);
  }
  return true;
}

namespace {

std::string Hex(const unsigned char* data, size_t bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (size_t i = 0; i < bytes; ++i) {
    text += kDigits[data[i] >> 4];
    text += kDigits[data[i] & 15];
  }
  return text;
}

// The value after "<key> " on a line, or false when the line has another key.
bool Field(const std::string& line, const char* key, std::string& value) {
  const size_t length = std::strlen(key);
  if (line.compare(0, length, key) != 0 || line.size() <= length + 1 || line[length] != ' ')
    return false;
  value = line.substr(length + 1);
  return true;
}

}  // namespace

bool ParseSignatureDocument(const std::string& text, SignatureDocument& document) {
  if (text.size() > kMaxSignatureDocument || text.empty() || text.back() != '\n') return false;
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  if (lines.size() != 6 || lines[0] != kSignatureTag) return false;
  std::string size, sha, key, signature;
  if (!Field(lines[1], "file", document.file) || !Field(lines[2], "size", size) ||
      !Field(lines[3], "sha256", sha) || !Field(lines[4], "key", key) ||
      !Field(lines[5], "signature", signature))
    return false;
  for (char c : document.file)
    if (static_cast<unsigned char>(c) <= ' ' || c == '/' || c == '\\') return false;
  if (size.empty() || size.size() > 15) return false;
  document.size = 0;
  for (char c : size) {
    if (c < '0' || c > '9') return false;
    document.size = document.size * 10 + static_cast<uint64_t>(c - '0');
  }
  return ParseHexBytes(sha, document.sha256, 32) && ParseHexBytes(key, document.key_id, 8) &&
         ParseHexBytes(signature, document.signature, 64);
}

std::string SignedStatement(const SignatureDocument& document) {
  return std::string(kSignatureTag) + "\nfile " + document.file + "\nsize " +
         std::to_string(document.size) + "\nsha256 " + Hex(document.sha256, 32) + "\nkey " +
         Hex(document.key_id, 8) + "\n";
}

std::string SignedFileName(const std::string& url) {
  const std::string path = url.substr(0, url.find_first_of("?#"));
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}
