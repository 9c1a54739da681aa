// The setup's self-update, headless: this test program (file version 1.2.3.4) stands for
// the running setup, copied into a temporary folder; the packages hold small programs of
// version 1.2.3.5 (announced) and 1.2.3.3 (wrong).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "engine/install_engine.h"
#include "engine_test_util.h"
#include "sys/log_capture.h"
#include "scripted_ui.h"
#include "support/temp_folder.h"
#include "sys/fs_utils.h"

namespace {

std::string OwnPath() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return path;
}

struct Update {
  TempFolder temp;
  InstallParams params = TestInstallParams(temp.path());
  ScriptedUi ui;
  LogCapture log;
  InstallEngine* engine = nullptr;
  int lock_releases = 0;

  Update() {
    CreateDirectoryTree(temp.Sub("setup"));
    params.own_exe_path = temp.Sub("setup\\ZAV2021.exe");
    CopyFileA(OwnPath().c_str(), params.own_exe_path.c_str(), FALSE);
    params.command_line = "/UP /TEST1";
    params.run_mode = 1;
  }
  void Serve(const std::string& info, const std::string& package) {
    params.update_info_url = ServeText(UniqueName("setup.txt"), info);
    params.update_package_url = ServeFile(UniqueName("ZAV2021.7z"), Package(package));
  }
  void Go() {
    engine = new InstallEngine(params, ui);
    engine->instance_lock = [this](bool hold) { lock_releases += hold ? -1 : 1; };
    engine->StartUpdateCheck();  // returns when the dialog has ended
  }
  std::string OldPath() const { return temp.Sub("setup\\old_ZAV2021.exe"); }
  std::string ChildCommandLine() const {
    const std::string file = params.update_temp_folder + "\\child_cmdline.txt";
    for (int i = 0; i < 200 && !FileExists(file); ++i) Sleep(50);  // the child writes it once
    return ReadTextFile(file);
  }
};

std::string FailureText() {
  return "Impossibile completare l'operazione di aggiornamento, si consiglia di terminare "
         "l'installazione e scaricare la nuova versione da https://www.example.invalid/piattaforma";
}

TEST(SelfUpdate, NewerSetupReplacesTheExecutableAndRestartsWithTheSameSwitches) {
  for (bool leftover : {false, true}) {
    SCOPED_TRACE(leftover ? "old_ file left by an earlier update" : "first update");
    Update u;
    if (leftover) WriteTextFile(u.OldPath(), "precedente");
    u.Serve("1.2.3.5", "update_new.7z");
    u.Go();
    EXPECT_EQ(0, u.ui.end_code());
    EXPECT_EQ(1, u.lock_releases);
    ASSERT_EQ(1u, u.ui.boxes().size());
    EXPECT_EQ("E' stata trovata una versione aggiornata del setup. Procedere con il download.",
              u.ui.boxes()[0].text);
    EXPECT_EQ("Aggiornamento setup", u.ui.boxes()[0].caption);
    const std::string new_exe = u.params.update_temp_folder + "\\ZAV2021.exe";
    EXPECT_TRUE(InOrder(u.log.Messages(),
                        {"[  INFO] Looking for new update -> " + u.params.update_info_url,
                         "[  INFO] Release update available on server -> 1.2.3.5",
                         "[  INFO] Looking for new setup -> " + u.params.update_package_url,
                         "[  INFO] An update is available",
                         "[  INFO] Setup download finished -> " +
                             std::to_string(FileSize(Package("update_new.7z"))),
                         "[  INFO] Delete temp update path -> " + u.params.update_temp_folder,
                         "[  INFO] Renaming from path " + u.params.own_exe_path + " -> " + u.OldPath(),
                         "[  INFO] Copying from path " + new_exe + " -> " + u.params.own_exe_path}));
    EXPECT_EQ(ReadTextFile(new_exe), ReadTextFile(u.params.own_exe_path));
    EXPECT_EQ(ReadTextFile(OwnPath()), ReadTextFile(u.OldPath()));
    EXPECT_EQ("\"" + new_exe + "\" /UP /TEST1", u.ChildCommandLine());
  }
}

// Nothing is replaced and the wizard goes on with this setup.
TEST(SelfUpdate, NoUpdateOrAFailedOneLeavesTheSetupAsItIs) {
  const struct { const char* name; const char* info; const char* package; bool offered; std::string line; } cases[] = {
      {"equal version", "1.2.3.4", "update_new.7z", false, "[  INFO] No update available"},
      {"older on server", "1.2.3.3", "update_new.7z", false, "[  INFO] No update available"},
      {"three fields", "1.2.3", "update_new.7z", false, "[* WARN] Error on information parsing. Size is 3 expected 4 -> 1.2.3"},
      {"package of another version", "1.2.3.5", "update_old.7z", true, "[**  ERR] Update package holds version 1.2.3.3 instead of 1.2.3.5 -> "},
      {"package does not unpack", "1.2.3.5", "garbage.7z", true, "[**  ERR] Cannot unzip archive "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Update u;
    u.Serve(c.info, c.package);
    u.Go();
    EXPECT_EQ(-1, u.ui.end_code());
    EXPECT_TRUE(u.ui.update_dialog_ended());
    EXPECT_EQ(1, u.ui.update_dialog_runs());
    EXPECT_EQ(0, u.lock_releases);
    EXPECT_FALSE(u.log.MessagesWith(c.line).empty());
    EXPECT_EQ(c.offered, u.log.Has("[  INFO] An update is available"));
    EXPECT_FALSE(FileExists(u.OldPath()));
    EXPECT_EQ(ReadTextFile(OwnPath()), ReadTextFile(u.params.own_exe_path));
    if (c.offered) {
      ASSERT_EQ(2u, u.ui.boxes().size());
      EXPECT_EQ(FailureText(), u.ui.boxes()[1].text);
      EXPECT_EQ("Attenzione", u.ui.boxes()[1].caption);
      EXPECT_FALSE(FileExists(u.params.update_temp_folder));
    } else {
      EXPECT_TRUE(u.ui.boxes().empty());
    }
  }
}

TEST(SelfUpdate, LeftoverInUseFailsTheUpdateInsteadOfStartingFromTheTemporaryFolder) {
  Update u;
  WriteTextFile(u.OldPath(), "in uso");
  HANDLE busy = CreateFileA(u.OldPath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, busy);
  u.Serve("1.2.3.5", "update_new.7z");
  u.Go();
  CloseHandle(busy);
  EXPECT_EQ(-1, u.ui.end_code());
  EXPECT_EQ(0, u.lock_releases);
  ASSERT_EQ(2u, u.ui.boxes().size());
  EXPECT_EQ(FailureText(), u.ui.boxes()[1].text);
  EXPECT_EQ(ReadTextFile(OwnPath()), ReadTextFile(u.params.own_exe_path));
  EXPECT_FALSE(FileExists(u.params.update_temp_folder + "\\child_cmdline.txt"));
}

TEST(SelfUpdate, SkipSwitchConnectionErrorsAndCredentials) {
  {
    SCOPED_TRACE("/SKIPUPDATE");
    Update u;
    u.params.skip_update = true;
    u.Go();
    EXPECT_EQ(0, u.ui.update_dialog_runs());
    EXPECT_EQ(nullptr, u.engine->current_request);
  }
  {
    SCOPED_TRACE("information unreachable, Retry then Cancel");
    Update u;
    u.params.update_info_url = TestServerUrl("/status/404");
    u.ui.box_answers = {IDRETRY, IDCANCEL};
    u.Go();
    ASSERT_EQ(2u, u.ui.boxes().size());
    EXPECT_EQ(kUpdateConnectionProblemText, u.ui.boxes()[1].text);
    EXPECT_EQ("TEST - Rivaduz ZAV - Installazione - Attenzione", u.ui.boxes()[1].caption);
    EXPECT_EQ(2u, u.log.MessagesWith("[* WARN] Connection error check update -> 404").size());
    EXPECT_TRUE(u.ui.update_dialog_ended());
    EXPECT_EQ(1, u.ui.update_dialog_runs());
    EXPECT_EQ(-1, u.ui.end_code());
  }
  {
    SCOPED_TRACE("proxy prompt cancelled");
    Update u;
    u.params.update_info_url = TestServerUrl("/status/407");
    u.Go();
    EXPECT_EQ(1, u.ui.prompts());
    EXPECT_TRUE(u.log.Has("[* WARN] User cancelled proxy settings UI"));
    EXPECT_TRUE(u.log.Has("[  INFO] No update available"));
    EXPECT_TRUE(u.ui.update_dialog_ended());
  }
  {
    SCOPED_TRACE("package cut short, Cancel");
    Update u;
    u.Serve("1.2.3.5", "update_new.7z");
    u.params.update_package_url = TestServerUrl("/short/500");
    u.Go();
    EXPECT_TRUE(u.log.Has("[* WARN] Download setup update package not completed -> 499 -> 500"));
    ASSERT_EQ(2u, u.ui.boxes().size());
    EXPECT_EQ(kUpdateConnectionProblemText, u.ui.boxes()[1].text);
    EXPECT_TRUE(u.ui.update_dialog_ended());
    EXPECT_EQ(-1, u.ui.end_code());
  }
}

}  // namespace
