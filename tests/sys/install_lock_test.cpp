// The install lock file and its question, answered through the UI driver.
#include "sys/install_lock.h"

#include <gtest/gtest.h>

#include <regex>
#include <thread>

#include "log_capture.h"
#include "support/temp_folder.h"
#include "support/ui_driver.h"
#include "sys/fs_utils.h"
#include "sys/identity.h"

namespace {

struct QuestionOutcome {
  int result = 99;
  LONG_PTR page_result = 0;
  std::string text;
  std::string caption;
  std::vector<std::string> buttons;
};

// Runs CheckInstallLock on a thread that owns an (invisible) page dialog, and answers the
// question with `button` once it shows.
QuestionOutcome AskAndAnswer(const std::string& folder, int button) {
  QuestionOutcome outcome;
  std::thread page_thread([&] {
    struct alignas(4) {
      DLGTEMPLATE dialog;
      WORD menu, window_class, title;
    } page_template = {{WS_POPUP, 0, 0, 0, 0, 100, 100}, 0, 0, 0};
    HWND page = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), &page_template.dialog,
                                           nullptr, nullptr, 0);
    outcome.result = CheckInstallLock(page, folder);
    outcome.page_result = page ? GetWindowLongPtrA(page, DWLP_MSGRESULT) : 0;
    if (page) DestroyWindow(page);
  });
  HWND box = WaitForMessageBox(GetCurrentProcessId(), 15000, "Attenzione");
  if (box) {
    outcome.text = MessageBoxText(box);
    outcome.caption = WindowText(box);
    outcome.buttons = ButtonTexts(box);
    EXPECT_TRUE(PressAndWaitGone(box, button, 15000));
  }
  page_thread.join();
  return outcome;
}

}  // namespace

TEST(InstallLock, PathFieldsReadAndRemove) {
  EXPECT_EQ(GetLockFilePath("D:\\ZAV\\PM00123"), "D:\\ZAV\\PM00123\\ZAV_Shared\\LockFile");
  EXPECT_EQ(GetLockFilePath("D:\\ZAV\\PM00123\\"), "D:\\ZAV\\PM00123\\ZAV_Shared\\LockFile");
  EXPECT_EQ(FormatInstallLock("[20210305@09:04:07:005]", "PC1\\mario", "3"),
            "[20210305@09:04:07:005];PC1\\mario;3");

  TempFolder temp;
  ASSERT_TRUE(CreateDirectoryTree(temp.Sub("ZAV_Shared")));
  CreateInstallLock(temp.path(), "12");
  const std::string text = ReadTextFile(GetLockFilePath(temp.path()));
  std::smatch match;
  ASSERT_TRUE(
      std::regex_match(text, match, std::regex(R"(\[(\d{8})@\d\d:\d\d:\d\d:\d{3}\];(.*);12)")));
  SYSTEMTIME now;
  GetLocalTime(&now);
  EXPECT_EQ(match[1].str().substr(0, 4), std::to_string(now.wYear));
  EXPECT_EQ(match[2].str(), GetCurrentAssignee());
  EXPECT_EQ(text.find('\n'), std::string::npos);
  // The first word only: an assignee with a blank is cut there.
  const std::string first_word = text.substr(0, text.find_first_of(" \t"));
  EXPECT_EQ(ReadInstallLock(temp.path()), first_word);

  EXPECT_TRUE(RemoveInstallLock(temp.path()));
  EXPECT_FALSE(FileExists(GetLockFilePath(temp.path())));
  EXPECT_FALSE(RemoveInstallLock(temp.path()));
  EXPECT_EQ(ReadInstallLock(temp.path()), "");

  // A new office has no workstation number yet.
  CreateInstallLock(temp.path() + "\\", "");
  EXPECT_EQ(ReadTextFile(GetLockFilePath(temp.path())).back(), ';');

  WriteTextFile(GetLockFilePath(temp.path()), "  [x];UFFICIO\\Mario Rossi;1");
  EXPECT_EQ(ReadInstallLock(temp.path()), "[x];UFFICIO\\Mario");

  // Without ZAV_Shared nothing is written and nothing fails.
  CreateInstallLock(temp.Sub("vuota"), "1");
  EXPECT_FALSE(FileExists(temp.Sub("vuota")));
}

TEST(CheckInstallLock, NoLockAsksNothing) {
  TempFolder temp;
  LogCapture log;
  EXPECT_EQ(CheckInstallLock(nullptr, temp.path()), 0);
  EXPECT_TRUE(
      log.Has("[  INFO] No lock file detected on " + temp.path() + "\\ZAV_Shared\\LockFile"));
  // A folder that does not exist has no lock either.
  EXPECT_EQ(CheckInstallLock(nullptr, temp.Sub("manca")), 0);
}

TEST(CheckInstallLock, QuestionAnsweredBothWays) {
  TempFolder temp;
  ASSERT_TRUE(CreateDirectoryTree(temp.Sub("ZAV_Shared")));
  ASSERT_TRUE(WriteTextFile(GetLockFilePath(temp.path()), "[20210101@10:00:00:000];PC9\\anna;4"));
  const std::string lock_line = "[* WARN] Lock file detected on " + GetLockFilePath(temp.path()) +
                                " -> [20210101@10:00:00:000];PC9\\anna;4";
  {
    LogCapture log;
    const QuestionOutcome yes = AskAndAnswer(temp.path(), IDYES);
    EXPECT_EQ(yes.result, 1);
    EXPECT_EQ(yes.caption, "Attenzione");
    EXPECT_EQ(yes.text,
              "E' stata rilevata un'altra installazione concorrente per questo Codice Ufficio. "
              "Vuoi procedere?");
    EXPECT_EQ(yes.buttons.size(), 2u);
    EXPECT_NE(yes.page_result, -1);
    EXPECT_TRUE(log.Has(lock_line));
    EXPECT_TRUE(log.Has("[* WARN] User choose to continue with setup"));
  }
  {
    LogCapture log;
    const QuestionOutcome no = AskAndAnswer(temp.path(), IDNO);
    EXPECT_EQ(no.result, -1);
    EXPECT_EQ(no.page_result, -1);  // the page stays
    EXPECT_TRUE(log.Has("[  INFO] User choose NOT to continue with setup"));
  }
  // The lock is only looked at, never removed by the check.
  EXPECT_TRUE(FileExists(GetLockFilePath(temp.path())));
}

TEST(CheckInstallLock, UnreadableLockStillAsks) {
  TempFolder temp;
  // Something that exists under the lock's name but cannot be read as a file.
  ASSERT_TRUE(CreateDirectoryTree(GetLockFilePath(temp.path())));
  LogCapture log;
  const QuestionOutcome yes = AskAndAnswer(temp.path(), IDYES);
  EXPECT_EQ(yes.result, 1);
  EXPECT_EQ(yes.caption, "Attenzione");
  EXPECT_TRUE(log.Has("[* WARN] Lock file detected on " + GetLockFilePath(temp.path()) + " -> "));
}
