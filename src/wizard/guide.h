// Help for the user: the installation guide on the product web site, and the page texts
// of the string table.
#pragma once
#include <string>

// The address OpenGuide opens.
std::string GuideUrl();
// Opens the installation guide in the browser.
void OpenGuide();
// The string-table entry, in the 1000-byte buffer the pages share (valid until the next
// call); empty when missing.
const char* LoadPageText(unsigned id);
