#include "net/proxy_credentials.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

class FakeDialog : public CredentialDialog {
 public:
  DWORD Prompt(const CREDUI_INFOA& info, const char* target, char* user, ULONG user_size,
               char* password, ULONG password_size, DWORD flags) override {
    info_size = info.cbSize;
    parent = info.hwndParent;
    message = info.pszMessageText ? info.pszMessageText : "";
    caption = info.pszCaptionText ? info.pszCaptionText : "";
    banner = info.hbmBanner;
    this->target = target;
    this->user_size = user_size;
    this->password_size = password_size;
    this->flags = flags;
    buffers_zeroed = true;
    for (ULONG i = 0; i < user_size; ++i) buffers_zeroed &= user[i] == 0;
    for (ULONG i = 0; i < password_size; ++i) buffers_zeroed &= password[i] == 0;
    std::memset(user, 'u', user_size - 1);  // longer than the caller's buffer
    std::strcpy(password, "segreto");
    return answer;
  }
  DWORD answer = NO_ERROR;
  DWORD info_size = 0;
  HWND parent = reinterpret_cast<HWND>(1);
  HBITMAP banner = reinterpret_cast<HBITMAP>(1);
  std::string message, caption, target;
  ULONG user_size = 0, password_size = 0;
  DWORD flags = 0;
  bool buffers_zeroed = false;
};

struct DialogScope {
  explicit DialogScope(CredentialDialog* dialog) { SetCredentialDialog(dialog); }
  ~DialogScope() { SetCredentialDialog(nullptr); }
};

TEST(PromptProxyCredentials, AsksWithTheFixedTextsAndCopiesTheAnswer) {
  FakeDialog dialog;
  DialogScope scope(&dialog);
  char user[256], password[256];
  std::memset(user, 1, sizeof(user));
  std::memset(password, 1, sizeof(password));
  EXPECT_EQ(0u, PromptProxyCredentials(user, password));
  EXPECT_EQ(20u, dialog.info_size);
  EXPECT_EQ(nullptr, dialog.parent);
  EXPECT_EQ(nullptr, dialog.banner);
  EXPECT_EQ("Inserisci le credenziali proxy", dialog.message);
  EXPECT_EQ("Accesso alla rete", dialog.caption);
  EXPECT_EQ(ProxyCredentialTarget(), dialog.target);
  EXPECT_EQ(std::string::npos, dialog.target.find(':'));
  EXPECT_EQ(514u, dialog.user_size);
  EXPECT_EQ(257u, dialog.password_size);
  EXPECT_EQ(0x4008Au, dialog.flags);
  EXPECT_TRUE(dialog.buffers_zeroed);
  EXPECT_EQ(std::string(255, 'u'), std::string(user));  // cut to the caller's buffer
  EXPECT_EQ("segreto", std::string(password));
}

TEST(PromptProxyCredentials, CancelReturns1223AndLeavesTheBuffersAlone) {
  FakeDialog dialog;
  dialog.answer = ERROR_CANCELLED;
  DialogScope scope(&dialog);
  char user[256] = "previous", password[256] = "old";
  EXPECT_EQ(1223u, PromptProxyCredentials(user, password));
  EXPECT_STREQ("previous", user);
  EXPECT_STREQ("old", password);
}

}  // namespace
