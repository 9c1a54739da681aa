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

namespace {

std::wstring Wide(const char* text) {
  if (!text) return std::wstring();
  const int size = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (size <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], size);
  wide.resize(static_cast<size_t>(size - 1));
  return wide;
}

// The entry in the ANSI code page, cut to the buffer and always terminated.
void Narrow(const wchar_t* text, char* out, ULONG out_size) {
  if (out_size == 0) return;
  const int written =
      WideCharToMultiByte(CP_ACP, 0, text, -1, out, static_cast<int>(out_size), nullptr, nullptr);
  if (written <= 0) out[out_size - 1] = '\0';
}

}  // namespace

// The wide dialog: the narrow one exists on every Windows but is a stub elsewhere (Wine
// ends the process in it), and both show the same dialog.
DWORD SystemCredentialDialog::Prompt(const CREDUI_INFOA& info, const char* target, char* user,
                                     ULONG user_size, char* password, ULONG password_size,
                                     DWORD flags) {
  const std::wstring message = Wide(info.pszMessageText);
  const std::wstring caption = Wide(info.pszCaptionText);
  const std::wstring wide_target = Wide(target);
  CREDUI_INFOW wide_info = {};
  wide_info.cbSize = sizeof(wide_info);
  wide_info.hwndParent = info.hwndParent;
  wide_info.pszMessageText = info.pszMessageText ? message.c_str() : nullptr;
  wide_info.pszCaptionText = info.pszCaptionText ? caption.c_str() : nullptr;
  wide_info.hbmBanner = info.hbmBanner;
  std::wstring wide_user(user_size, L'\0');
  std::wstring wide_password(password_size, L'\0');
  BOOL save = FALSE;
  const DWORD result =
      CredUIPromptForCredentialsW(&wide_info, wide_target.c_str(), nullptr, 0, &wide_user[0],
                                  user_size, &wide_password[0], password_size, &save, flags);
  if (result == NO_ERROR) {
    Narrow(wide_user.c_str(), user, user_size);
    Narrow(wide_password.c_str(), password, password_size);
  }
  SecureZeroMemory(&wide_password[0], wide_password.size() * sizeof(wchar_t));
  return result;
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
