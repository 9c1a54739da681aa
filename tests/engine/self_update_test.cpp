// The setup's self-update, headless: this test program (file version 1.2.3.4) stands for
// the running setup, copied into a temporary folder; the packages hold small programs of
// version 1.2.3.5 (announced) and 0.9.0.0 (wrong), or the real setup.
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include "engine/install_engine.h"
#include "scripted_ui.h"
#include "net/own_version.h"
#include "support/ui_driver.h"
#include "sys/fs_utils.h"
#include "sys/log_capture.h"

namespace {

std::string OwnPath() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return path;
}

const char kFailure[] =
    "Impossibile completare l'operazione di aggiornamento, si consiglia di terminare "
    "l'installazione e scaricare la nuova versione da https://www.example.invalid/piattaforma";

struct Update {
  TempFolder temp;
  InstallParams params = TestInstallParams(temp.path());
  ScriptedUi ui;
  LogCapture log;
  InstallEngine* engine = nullptr;
  int releases = 0;  // of the single-instance mutex
  std::string old_path = temp.Sub("setup\\old_ZAV2021.exe");

  Update(const std::string& info, const std::string& package) {
    CreateDirectoryTree(temp.Sub("setup"));
    params.own_exe_path = temp.Sub("setup\\ZAV2021.exe");
    CopyFileA(OwnPath().c_str(), params.own_exe_path.c_str(), FALSE);
    params.command_line = "/UP /TEST1";
    params.run_mode = 1;
    params.update_info_url = info[0] == '/' ? TestServerUrl(info) : ServeText("setup.txt", info);
    params.update_package_url =
        package[0] == '/' ? TestServerUrl(package) : ServeFile("ZAV2021.7z", Package(package));
  }
  void Go() {
    engine = new InstallEngine(params, ui);
    engine->instance_lock = [this](bool hold) { releases += hold ? -1 : 1; };
    engine->StartUpdateCheck();  // returns when the dialog has ended
  }
  bool Untouched() const { return ReadTextFile(OwnPath()) == ReadTextFile(params.own_exe_path); }
};

TEST(SelfUpdate, NewerSetupReplacesTheExecutableAndRestartsWithTheSameSwitches) {
  for (bool leftover : {false, true}) {
    SCOPED_TRACE(leftover ? "old_ file of an earlier update" : "first update");
    Update u("1.2.3.5", "update_new.7z");
    if (leftover) WriteTextFile(u.old_path, "precedente");
    // A sibling whose name begins the same is not the update's folder.
    const std::string sibling = u.params.update_temp_folder + "_vecchio\\nota.txt";
    CreateDirectoryTree(u.params.update_temp_folder + "_vecchio");
    WriteTextFile(sibling, "mia");
    u.Go();
    EXPECT_EQ("mia", ReadTextFile(sibling));
    EXPECT_EQ(0, u.ui.end_code);
    EXPECT_EQ(1, u.releases);
    ASSERT_EQ(1u, u.ui.boxes.size());
    EXPECT_EQ("E' stata trovata una versione aggiornata del setup. Procedere con il download.",
              u.ui.boxes[0].text);
    EXPECT_EQ("Aggiornamento setup", u.ui.boxes[0].caption);
    const std::string new_exe = u.params.update_temp_folder + "\\ZAV2021.exe";
    EXPECT_TRUE(
        InOrder(u.log.Messages(),
                {"[  INFO] Looking for new update -> " + u.params.update_info_url,
                 "[  INFO] Release update available on server -> 1.2.3.5",
                 "[  INFO] Looking for new setup -> " + u.params.update_package_url,
                 "[  INFO] An update is available",
                 "[  INFO] Setup download finished -> " +
                     std::to_string(FileSize(Package("update_new.7z"))),
                 "[  INFO] Delete temp update path -> " + u.params.update_temp_folder,
                 "[  INFO] Renaming from path " + u.params.own_exe_path + " -> " + u.old_path,
                 "[  INFO] Copying from path " + new_exe + " -> " + u.params.own_exe_path}));
    EXPECT_EQ(ReadTextFile(new_exe), ReadTextFile(u.params.own_exe_path));
    EXPECT_EQ(ReadTextFile(OwnPath()), ReadTextFile(u.old_path));
    // The child writes its command line beside itself, once.
    const std::string written = u.params.update_temp_folder + "\\child_cmdline.txt";
    for (int i = 0; i < 400 && !FileExists(written); ++i) Sleep(25);
    EXPECT_EQ("\"" + new_exe + "\" /UP /TEST1", ReadTextFile(written));
  }
}

// Nothing is replaced and the wizard goes on with this setup.
TEST(SelfUpdate, NoUpdateOrAFailedOneLeavesTheSetupAsItIs) {
  const struct {
    const char* info;
    const char* package;
    int boxes;
    std::string line;
  } cases[] = {
      {"1.2.3.4", "update_new.7z", 0, "[  INFO] No update available"},
      {"1.2.3.3", "update_new.7z", 0, "[  INFO] No update available"},
      {"1.2.3", "update_new.7z", 0,
       "[* WARN] Error on information parsing. Size is 3 expected 4 -> 1.2.3"},
      {"/status/407", "update_new.7z", 0, "[* WARN] User cancelled proxy settings UI"},
      {"/status/404", "update_new.7z", 1, "[* WARN] Connection error check update -> 404"},
      {"1.2.3.5", "/short/500", 2,
       "[* WARN] Download setup update package not completed -> 499 -> 500"},
      {"1.2.3.5", "update_old.7z", 2,
       "[**  ERR] Update package holds version 0.9.0.0 instead of 1.2.3.5 -> "},
      {"1.2.3.5", "garbage.7z", 2, "[**  ERR] Cannot unzip archive "},
      {"1.2.3.5", "in use", 2, "[**  ERR] Cannot remove "},
      {"1.2.3.5", "folder in use", 2, "[**  ERR] Not removed -> "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const bool in_use = std::string(c.package) == "in use";
    const bool folder_in_use = std::string(c.package) == "folder in use";
    Update u(c.info, in_use || folder_in_use ? "update_new.7z" : c.package);
    HANDLE busy = INVALID_HANDLE_VALUE;
    if (in_use) {  // a leftover "old_" setup that still runs cannot be removed
      WriteTextFile(u.old_path, "in uso");
      busy = CreateFileA(u.old_path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         0, nullptr);
    }
    if (folder_in_use) {  // an earlier update's file still in use: nothing is unpacked over it
      CreateDirectoryTree(u.params.update_temp_folder);
      const std::string file = u.params.update_temp_folder + "\\ZAV2021.exe";
      WriteTextFile(file, "in uso");
      busy = CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    }
    u.Go();
    if (busy != INVALID_HANDLE_VALUE) CloseHandle(busy);
    EXPECT_EQ(-1, u.ui.end_code);
    EXPECT_TRUE(u.ui.dialog_ended);
    EXPECT_EQ(1, u.ui.dialog_runs);
    EXPECT_EQ(0, u.releases);
    EXPECT_FALSE(u.log.MessagesWith(c.line).empty());
    EXPECT_TRUE(u.Untouched());
    EXPECT_EQ(in_use, FileExists(u.old_path));
    ASSERT_EQ(static_cast<size_t>(c.boxes), u.ui.boxes.size());
    if (c.line.find("ERR") != std::string::npos) {
      EXPECT_EQ(kFailure, u.ui.boxes[1].text);
      EXPECT_EQ("Attenzione", u.ui.boxes[1].caption);
      EXPECT_FALSE(FileExists(u.params.update_temp_folder + "\\child_cmdline.txt"));
    } else if (c.boxes) {
      EXPECT_EQ(kUpdateConnectionProblemText, u.ui.boxes.back().text);
      EXPECT_EQ("TEST - Rivaduz ZAV - Installazione - Attenzione", u.ui.boxes.back().caption);
    }
  }
}

TEST(SelfUpdate, SkipSwitchAndRetry) {
  Update skipped("1.2.3.5", "update_new.7z");
  skipped.params.skip_update = true;
  skipped.Go();
  EXPECT_EQ(0, skipped.ui.dialog_runs);
  EXPECT_EQ(nullptr, skipped.engine->current_request);

  Update retried("/status/404", "update_new.7z");
  retried.ui.box_answers = {IDRETRY, IDCANCEL};
  retried.Go();
  EXPECT_EQ(2u, retried.ui.boxes.size());
  EXPECT_EQ(2u, retried.log.MessagesWith("[* WARN] Connection error check update -> 404").size());
  EXPECT_EQ(1, retried.ui.dialog_runs);
  EXPECT_TRUE(retried.ui.dialog_ended);
}

// The setup's own executable, delivered by an update: it starts from the temporary folder
// with the saved switches intact (its log shows them and its version) and runs normally.
TEST(SelfUpdate, TheRealSetupRestartsWithTheSameSwitches) {
  std::vector<std::string> version;
  ASSERT_TRUE(ReadFileVersionFields(SetupExePath(), version));
  std::string announced;
  for (const std::string& field : version) announced += (announced.empty() ? "" : ".") + field;
  Update u(announced, "update_real.7z");
  CopyFileA(Package("old_setup.exe").c_str(), u.params.own_exe_path.c_str(), FALSE);  // 0.9.0.0
  u.params.command_line = "/UP /TEST1 /SKIPUPDATE /NODISCOVERY";
  u.Go();
  ASSERT_EQ(0, u.ui.end_code);

  // The setup this test started, found by its parent.
  DWORD pid = 0;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
    if (entry.th32ParentProcessID == GetCurrentProcessId() &&
        lstrcmpiA(entry.szExeFile, "ZAV2021.exe") == 0)
      pid = entry.th32ProcessID;
  CloseHandle(snapshot);
  ASSERT_NE(0u, pid);
  HANDLE process =
      OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, pid);
  ASSERT_NE(nullptr, process);
  // Its first window (the sheet, or the start page's box about /UP) means it is initialized.
  EXPECT_NE(nullptr, WaitForWindow({pid, WindowKind::kAny, ""}, 60000));
  const std::vector<std::string> lines = u.log.Messages();  // the new setup began a fresh log
  TerminateProcess(process, 0);  // what the wizard does next is not this test's business
  WaitForSingleObject(process, 10000);
  CloseHandle(process);
  EXPECT_TRUE(InOrder(
      lines, {"[  INFO] Start application", "[  INFO] Current installed version -> " + announced,
              "[  INFO] Command line provided -> /UP /TEST1 /SKIPUPDATE /NODISCOVERY"}));
}

}  // namespace
