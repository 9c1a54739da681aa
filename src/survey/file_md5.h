// MD5 of a file's bytes through the system's crypto provider.
#pragma once
#include <string>

// 32 lowercase hexadecimal digits; "-1" when the file cannot be read or hashed.
std::string FileMd5Text(const std::string& path);
