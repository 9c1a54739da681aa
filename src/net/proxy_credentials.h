// The proxy-credential prompt shown after a 407 answer. The Windows credential dialog sits
// behind CredentialDialog so tests can answer it; SystemCredentialDialog is the real one.
#pragma once
#include <windows.h>
#include <wincred.h>

#include <string>

class CredentialDialog {
 public:
  virtual ~CredentialDialog() = default;
  // Same contract as CredUIPromptForCredentialsA (no context, auth error 0, save flag
  // ignored): returns NO_ERROR or the dialog's error, e.g. ERROR_CANCELLED.
  virtual DWORD Prompt(const CREDUI_INFOA& info, const char* target, char* user, ULONG user_size,
                       char* password, ULONG password_size, DWORD flags) = 0;
};

class SystemCredentialDialog : public CredentialDialog {
 public:
  DWORD Prompt(const CREDUI_INFOA& info, const char* target, char* user, ULONG user_size,
               char* password, ULONG password_size, DWORD flags) override;
};

// The dialog PromptProxyCredentials uses; null restores the system dialog.
void SetCredentialDialog(CredentialDialog* dialog);

// The update server's host name, the target the credentials are asked for.
std::string ProxyCredentialTarget();

// Asks for proxy credentials. On success copies 256 bytes of each entry into the caller's
// buffers and returns 0; otherwise returns the dialog's result (1223 when cancelled) and
// leaves the buffers untouched.
DWORD PromptProxyCredentials(char user[256], char password[256]);
