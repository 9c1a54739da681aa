// Text helpers shared by every subsystem. Pure: no Windows calls.
#pragma once
#include <string>
#include <vector>

// Splits at every character of `delimiters`; `pieces` is emptied first. Adjacent
// delimiters give empty pieces; a text without delimiters gives one piece.
void SplitString(const std::string& text, const std::string& delimiters,
                 std::vector<std::string>& pieces);

// Removes trailing, then leading spaces (only ' '); a text of only spaces is returned as is.
std::string TrimSpaces(const std::string& text);

std::string IntToString(long long value);
// The integer a standard input stream reads from the start of the text; 0 when none.
int StringToInt(const std::string& text);

std::string ToLowerCopy(const std::string& text);
std::string ToUpperCopy(const std::string& text);
// A message as one line of the log: its line breaks become one blank.
std::string OneLine(const std::string& text);
