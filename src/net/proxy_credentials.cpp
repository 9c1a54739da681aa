#include "net/proxy_credentials.h"

#include <cstring>

namespace {

constexpr ULONG kUserBufferSize = 514;
constexpr ULONG kPasswordBufferSize = 257;
constexpr DWORD kPromptFlags = CREDUI_FLAGS_GENERIC_CREDENTIALS | CREDUI_FLAGS_ALWAYS_SHOW_UI |
                               CREDUI_FLAGS_EXCLUDE_CERTIFICATES | CREDUI_FLAGS_DO_NOT_PERSIST;

SystemCredentialDialog g_system_dialog;
CredentialDialog* g_dialog = &g_system_dialog;

}  // namespace

DWORD SystemCredentialDialog::Prompt(const CREDUI_INFOA& info, const char* target, char* user,
                                     ULONG user_size, char* password, ULONG password_size,
                                     DWORD flags) {
  CREDUI_INFOA copy = info;
  BOOL save = FALSE;
  return CredUIPromptForCredentialsA(&copy, target, nullptr, 0, user, user_size, password,
                                     password_size, &save, flags);
}

void SetCredentialDialog(CredentialDialog* dialog) {
  g_dialog = dialog ? dialog : &g_system_dialog;
}

std::string ProxyCredentialTarget() {
  std::string host = ZAV_UPDATE_HOST;
  const size_t colon = host.find(':');
  if (colon != std::string::npos) host.erase(colon);
  return host;
}

DWORD PromptProxyCredentials(char user[256], char password[256]) {
  CREDUI_INFOA info = {};
  info.cbSize = sizeof(info);
  info.hwndParent = nullptr;
  info.pszMessageText = "Inserisci le credenziali proxy";
  info.pszCaptionText = "Accesso alla rete";
  info.hbmBanner = nullptr;
  char entered_user[kUserBufferSize] = {};
  char entered_password[kPasswordBufferSize] = {};
  const std::string target = ProxyCredentialTarget();
  const DWORD result = g_dialog->Prompt(info, target.c_str(), entered_user, kUserBufferSize,
                                        entered_password, kPasswordBufferSize, kPromptFlags);
  if (result == NO_ERROR) {
    // The dialog's buffers are larger than the caller's: keep 255 bytes and a terminator.
    std::memcpy(user, entered_user, 256);
    std::memcpy(password, entered_password, 256);
    user[255] = '\0';
    password[255] = '\0';
  }
  SecureZeroMemory(entered_user, sizeof(entered_user));
  SecureZeroMemory(entered_password, sizeof(entered_password));
  return result;
}
