#include "app/share_mode.h"

#include <vector>

#include "log/setup_log.h"
#include "sys/fs_utils.h"
#include "sys/net_share.h"
#include "sys/string_utils.h"

namespace {
const char kShareToken[] = "SHARE=";
constexpr int kFolderMissingExitCode = 3;
constexpr int kInvalidParameter = 87;  // ERROR_INVALID_PARAMETER
}  // namespace

ShareRequest FindShareRequest(const std::string& raw) {
  ShareRequest request;
  std::vector<std::string> pieces;
  SplitString(raw, "/", pieces);
  for (size_t i = 1; i < pieces.size(); ++i) {
    const std::string piece = TrimSpaces(pieces[i]);
    if (piece.find(kShareToken) != 0) continue;
    request.found = true;
    request.piece = piece;
    const std::string argument = piece.substr(sizeof(kShareToken) - 1);
    const size_t separator = argument.find(';');
    if (separator != std::string::npos) {
      request.has_separator = true;
      request.office_code = argument.substr(0, separator);
      request.folder = argument.substr(separator + 1);
    }
    break;
  }
  return request;
}

int RunShareRequest(const ShareRequest& request) {
  int exit_code = 0;
  WriteLog("[  INFO] -------> External privileges set begin");
  WriteLog("[  INFO] -------> Command line -> " + request.piece);
  if (!request.has_separator) {
    WriteLog("[* WARN] -------> Command line not formatted correctly (; not found)");
  } else {
    WriteLog("[  INFO] -------> Share folder -> " + request.folder);
    WriteLog("[  INFO] -------> PM -> " + request.office_code);
    if (!DirectoryExists(request.folder)) {
      WriteLog("[* WARN] -------> Folder " + request.folder + " not found");
      exit_code = kFolderMissingExitCode;
    } else if (request.office_code.empty()) {
      // Without an office code the share would be named "ZAV " and match no office.
      WriteLog("[* WARN] -------> Office code missing, share not created");
      exit_code = kInvalidParameter;
    } else {
      int status = 0;
      CreateOfficeShare(request.office_code, "", request.folder, &status);
      exit_code = status;
    }
  }
  WriteLog("[  INFO] -------> External privileges set end");
  return exit_code;
}
