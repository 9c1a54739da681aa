// Decoding of the office code and password that earlier installations keep on disk.
// Pure: no Windows calls.
#pragma once
#include <string>

// ZAVOLINF.TXT "PROT": character i (from 1) is stored as its value minus i. Decoding stops
// at the first character that decodes to NUL.
std::string DecodeProt(const std::string& value);

struct ProtOffice {
  std::string pm;
  std::string password;
  bool complete = false;  // false when fewer than five characters were there
};
// The office code (first five characters) and password (next eight at most).
ProtOffice SplitProt(const std::string& decoded);

// The office number of uffaut (big-endian at offsets 521, 522) as five digits.
std::string UffautOfficeCode(unsigned char high, unsigned char low);

// Pads `code` on the left with "0" to five characters (longer texts are kept).
std::string PadOfficeCode(const std::string& code);

// The INSTALLA.MOD header: five bytes of office code up to its first NUL, then eight of
// password up to its first CR, LF or NUL. False when fewer than 13 bytes are given.
bool ParseInstallaModHeader(const std::string& bytes, std::string& pm, std::string& password);
