#include "survey/office_code.h"

#include <cstdio>
#include <cstring>

std::string DecodeProt(const std::string& value) {
  std::string decoded;
  for (size_t i = 0; i < value.size() && value[i] != '\0'; ++i) {
    const char c = static_cast<char>(static_cast<unsigned char>(value[i]) + i + 1);
    if (c == '\0') break;
    decoded.push_back(c);
  }
  return decoded;
}

ProtOffice SplitProt(const std::string& decoded) {
  ProtOffice office;
  if (decoded.size() < 5) {
    office.pm = decoded;
    return office;
  }
  office.pm = decoded.substr(0, 5);
  office.password = decoded.substr(5, 8);
  office.complete = true;
  return office;
}

std::string UffautOfficeCode(unsigned char high, unsigned char low) {
  char text[16];
  std::snprintf(text, sizeof(text), "%05u", (static_cast<unsigned>(high) << 8) | low);
  return text;
}

std::string PadOfficeCode(const std::string& code) {
  if (code.size() >= 5) return code;
  return std::string(5 - code.size(), '0') + code;
}

bool ParseInstallaModHeader(const std::string& bytes, std::string& pm, std::string& password) {
  if (bytes.size() < 13) return false;
  const std::string code = bytes.substr(0, 5);
  pm = PadOfficeCode(code.substr(0, code.find('\0')));
  const std::string secret = bytes.substr(5, 8);
  // The end page writes the line end right after the password: a shorter one must not
  // bring its CR along.
  password = secret.substr(0, secret.find_first_of(std::string("\r\n\0", 3)));
  return true;
}
