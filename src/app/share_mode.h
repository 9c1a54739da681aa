// The elevated re-entry of the setup that only shares an office folder:
//   ZAV2021.exe /SHARE=<office code>;<folder>
#pragma once
#include <string>

struct ShareRequest {
  bool found = false;          // a "/"-piece begins with "SHARE="
  std::string piece;           // that piece, trimmed
  bool has_separator = false;  // the argument holds a ";"
  std::string office_code;     // text before the first ";"
  std::string folder;          // text after it, to the end
};

// Looks for the share request in the raw command line (case-sensitive). Pure.
ShareRequest FindShareRequest(const std::string& raw);

// Logs, shares the folder and returns the process exit code.
int RunShareRequest(const ShareRequest& request);
