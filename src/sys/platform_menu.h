// Recognising the legacy runtime started for the platform menu. Pure: no Windows calls.
#pragma once
#include <string>

// The platform-menu arguments as they stand inside the runtime's command line, with the
// blank before and after them.
extern const wchar_t kPlatformMenuSignature[];  // 40 characters

// True when, at one of its blanks, the command line continues with the signature (so the
// signature must be followed by at least its trailing blank, i.e. by further arguments).
bool CommandLineRunsPlatformMenu(const std::wstring& command_line);
