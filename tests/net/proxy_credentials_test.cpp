#include "net/proxy_credentials.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

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

namespace {

HWND FindChildById(HWND parent, int id) {
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (GetDlgCtrlID(child) == id) return child;
    if (HWND inner = FindChildById(child, id)) return inner;
  }
  return nullptr;
}

// Answers the system dialog from another thread once it shows: fills the password and
// presses `button` (posted, as a user's click arrives).
struct DialogAnswer {
  int button;
  std::thread thread;
  explicit DialogAnswer(int b) : button(b) {
    thread = std::thread([this] {
      // Presses until the dialog is gone: one sent while it still initialises is dropped.
      bool seen = false;
      for (int i = 0; i < 400; ++i) {
        HWND dialog = FindWindowA(nullptr, "Accesso alla rete");
        if (!dialog && seen) return;
        if (dialog && IsWindowVisible(dialog)) {
          seen = true;
          if (HWND pass = FindChildById(dialog, 102))
            SendMessageA(pass, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("parola"));
          // The user name is an edit inside a combo box; OK stays without effect while empty.
          for (HWND user = FindChildById(dialog, 101); user; user = GetWindow(user, GW_CHILD))
            SendMessageA(user, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("utente"));
          if (HWND press = GetDlgItem(dialog, button)) PostMessageA(press, BM_CLICK, 0, 0);
        }
        Sleep(50);
      }
    });
  }
  ~DialogAnswer() { thread.join(); }
};

}  // namespace

// The real dialog of the system: the prompt must not end the process, Cancel gives 1223 and
// OK gives back what was entered.
TEST(PromptProxyCredentials, SystemDialogCancelAndOk) {
  char user[256] = "prima", password[256] = "vecchia";
  {
    DialogAnswer answer(IDCANCEL);
    EXPECT_EQ(1223u, PromptProxyCredentials(user, password));
  }
  EXPECT_STREQ("vecchia", password);
  {
    DialogAnswer answer(IDOK);
    EXPECT_EQ(0u, PromptProxyCredentials(user, password));
  }
  EXPECT_STREQ("parola", password);
  EXPECT_NE(std::string::npos, std::string(user).find("utente"));  // Wine adds the target
}
