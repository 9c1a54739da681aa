// Unattended runs of the real ZAV2021.exe under Wine against the local update server, as a
// technician's script starts them: no window may appear, and the exit code and the log tell
// the outcome. An office set up on PC1, then PC2 (tests/support/other_pc.h) added, a unit
// and a restore; then one run for each kind of question and failure, with its code.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <iostream>

#include "log/setup_log.h"
#include "sharedinfo/sharedinfo.h"
#include "support/other_pc.h"
#include "support/process.h"
#include "support/setup_runner.h"
#include "support/temp_folder.h"
#include "support/ui_driver.h"
#include "survey/survey_fixtures.h"
#include "sys/fs_utils.h"
#include "sys/install_lock.h"
#include "sys/string_utils.h"
#include "wizard_driver.h"

namespace {

const char kOffice[] = "F:\\ZAV\\PM00123\\";
const char kLayers[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers";
const char kRuntime[] = "F:\\ZAV\\PM00123\\ZAV2021\\HOME\\BIN\\wrun32.exe";

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string ServerPort(const std::string& name) {
  return ReadTextFile(UnixToWindowsPath(ZAV_INSTALL_SERVER "/" + name + "/serve.port"));
}

bool HasVisibleWindow(DWORD pid) {
  for (const FoundWindow& window : TopLevelWindows(pid))
    if (IsWindowVisible(window.hwnd)) return true;
  return false;
}

std::vector<WorkpointInfo> Rows2021() {
  std::vector<WorkpointInfo> all, rows;
  ParseSharedInfo(std::string(kOffice) + "ZAV_Shared\\SharedInfo", 2021, &all);
  for (const WorkpointInfo& row : all)
    if (row.anno == 2021) rows.push_back(row);
  std::sort(rows.begin(), rows.end(),
            [](const WorkpointInfo& a, const WorkpointInfo& b) { return a.pdl < b.pdl; });
  return rows;
}

class UnattendedE2E : public testing::Test {
 protected:
  void SetUp() override { Clean(); }
  void TearDown() override {
    Clean();
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kLayers, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
      RegDeleteValueA(key, kRuntime);
      RegCloseKey(key);
    }
  }
  static void Clean() {
    for (const char* drive : {"E:", "F:", "N:"}) RemoveFolderContents(drive);
    RemoveTree("C:\\ZAV");
  }

  // Runs the setup (or `exe`) to its end with the update server `server` as its proxy; true
  // when it ended with `expected` (else its log is printed). A window of the setup's at any
  // moment fails the test.
  bool Run(const std::string& arguments, DWORD expected, const std::string& server = "state",
           const std::string& exe = SetupExePath()) {
    const std::string port = ServerPort(server);
    EXPECT_FALSE(port.empty()) << "the update server is not running: " << server;
    SetEnvironmentVariableA("http_proxy", ("http://127.0.0.1:" + port).c_str());
    DeleteLog();
    ChildProcess setup;
    DWORD code = 0xFFFF;
    if (!setup.Start(exe, arguments)) {
      ADD_FAILURE() << "not started: " << arguments;
      return false;
    }
    bool window = false;
    const bool ended = WaitUntil(
        [&] {
          window = window || HasVisibleWindow(setup.pid());
          return setup.Wait(0, &code);
        },
        600000);
    SetEnvironmentVariableA("http_proxy", nullptr);
    EXPECT_TRUE(ended) << arguments;
    EXPECT_FALSE(window) << "a window appeared: " << arguments;
    EXPECT_EQ(code, expected) << arguments;
    if (code != expected) {
      for (const std::string& line : LogMessages()) std::cout << "  log: " << line << "\n";
    }
    return code == expected;
  }

  static bool Logged(const std::string& line) { return HasMessage(LogMessages(), line); }

  TempFolder desktop_;
  ScopedDesktop desktop_redirect_{desktop_.path()};
};

// The README's script: the office on PC1 with its password from a file, then PC2 adds
// itself through its network drive; a unit on PC2 needs the answer for the office's shared
// folder; a restore on PC1.
TEST_F(UnattendedE2E, AnOfficeAndItsSecondPcFromAScript) {
  TempFolder work;
  const std::string password_file = work.Sub("password.txt");
  ASSERT_TRUE(WriteTextFile(password_file, "segreto\r\n"));
  ASSERT_TRUE(Run("/QUIET /NEWOFFICE /OFFICE=123 /PASSWORDFILE=" + password_file +
                      " /DIR=F: /SHARING=NO /NODISCOVERY",
                  0));
  EXPECT_EQ(ReadTextFile(std::string(kOffice) + "ZAV2021\\HOME\\ETC\\INSTALLA.MOD"),
            "00123SEGRETO\r\r\nF:\\ZAV\\PM00123\\ZAV2021");
  EXPECT_TRUE(FileExists("C:\\ZAV\\QEL\\BIN\\qel.exe"));
  EXPECT_TRUE(FileExists(desktop_.Sub("Rivaduz ZAV.lnk")));
  char value[64] = {};
  DWORD size = sizeof(value);
  EXPECT_EQ(RegGetValueA(HKEY_CURRENT_USER, kLayers, kRuntime, RRF_RT_REG_SZ, nullptr, value,
                         &size),
            ERROR_SUCCESS);
  EXPECT_STREQ(value, "ELEVATECREATEPROCESS");
  EXPECT_FALSE(FileExists(std::string(kOffice) + "ZAV_Shared\\LockFile"));
  std::vector<WorkpointInfo> rows = Rows2021();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].pwd, "SEGRETO");
  EXPECT_EQ(rows[0].path, kOffice);
  const std::vector<std::string> log = LogMessages();
  for (const char* line : {"[  INFO] Unattended installation -> new office",
                           "[  INFO] Created lock file", "[  INFO] Install phase 5 - Qel install",
                           "[  INFO] Written -> F:\\ZAV\\PM00123\\ZAV2021\\HOME\\ETC\\INSTALLA.MOD",
                           "[* WARN] User choose NOT to create a network share for path "
                           "F:\\ZAV\\PM00123\\",
                           "[  INFO] Deleted lock file", "[  INFO] Unattended installation ended -> 0"})
    EXPECT_TRUE(HasMessage(log, line)) << line;
  for (const std::string& line : log)
    EXPECT_EQ(ToUpperCopy(line).find("SEGRETO"), std::string::npos) << line;

  OtherPc pc2("PC2", {{'N', Env("ZAV_BUILD_DIR") + "/fixtures/drives/f/ZAV/PM00123"}});
  ASSERT_TRUE(pc2.Prepare());
  const std::string proxy = "http_proxy=http://127.0.0.1:" + ServerPort("state");
  const auto on_pc2 = [&](const std::string& arguments) {
    const PcRun run = pc2.Wait(pc2.Start(SetupExePath(), arguments, {proxy}), 900000);
    EXPECT_TRUE(run.ended) << arguments << "\n" << run.output;
    return run.exit_code;
  };
  // The first PC added finds the folder without a registration it can reach: the invalid
  // configuration's question, answered by the switch.
  EXPECT_EQ(on_pc2("/QUIET /NODISCOVERY /ADDPC /OFFICE=00123"), 10);
  EXPECT_EQ(Rows2021().size(), 1u);
  EXPECT_EQ(on_pc2("/QUIET /NODISCOVERY /ADDPC /OFFICE=00123 /ACCEPTINVALID"), 0);
  rows = Rows2021();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1].pdl, "2");
  EXPECT_EQ(rows[1].path, "N:\\");
  EXPECT_EQ(rows[1].pwd, "SEGRETO");
  EXPECT_TRUE(FileExists(pc2.Path("C:\\ZAV\\QEL\\BIN\\qel.exe")));
  // A unit for the office on the network drive would convert the office's own year folder.
  EXPECT_EQ(on_pc2("/QUIET /NODISCOVERY /UP /OFFICE=123"), 10);
  EXPECT_EQ(on_pc2("/QUIET /NODISCOVERY /UP /OFFICE=123 /NETWORKUNIT=NO"), 0);
  EXPECT_TRUE(FileExists(std::string(kOffice) + "ZAV2021\\HOME\\ETC\\INSTALLA.MOD"));
  pc2.Stop();

  char local[MAX_PATH] = {};
  ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, local, CSIDL_LOCAL_APPDATA, FALSE));
  const std::string user_data = std::string(local) + "\\QEL\\User Data";
  MakeFile(user_data + "\\Default\\prefs", "x");
  MakeFile(user_data + " - Copia\\prefs", "x");
  EXPECT_TRUE(Run("/QUIET /RESTORE /NODISCOVERY", 0));
  EXPECT_TRUE(Logged("[  INFO] Restore mode"));
  EXPECT_FALSE(FileExists(user_data));
  EXPECT_TRUE(FileExists(user_data + " - Copia\\prefs"));
  RemoveTree(user_data + " - Copia");

  // Last, since it ends the office on PC1: a unit on its own local folder is converted.
  EXPECT_TRUE(Run("/QUIET /NODISCOVERY /UP /OFFICE=123 /SHARING=NO", 0));
  EXPECT_TRUE(FileExists(std::string(kOffice) + "ZAV2021\\HOME\\ETC\\installa.up"));
  EXPECT_FALSE(FileExists(std::string(kOffice) + "ZAV2021\\HOME\\ETC\\INSTALLA.MOD"));
}

// Each question no switch answers and each failure: its own exit code and a log line that
// says what could not go on; nothing of the office is left half made by the refusal.
TEST_F(UnattendedE2E, EachRefusalHasItsExitCodeAndItsLogLine) {
  const std::string office = "/QUIET /NODISCOVERY /NEWOFFICE /OFFICE=123 /PASSWORD=segreto";
  const std::function<void()> nothing = [] {};
  // The platform's runtime program showing its menu (a stand-in with its name and arguments).
  const char kMenu[] = "-c ..\\etc\\cblconfi ..\\obj\\pcmenu.acu rete 1 F:\\ZAV\\PM00123\\ZAV2021";
  ChildProcess platform;
  const std::function<void()> registered = [] {
    RegisterWorkpoint("F:\\ZAV\\PM00123", "00123", "SEGRETO", kOffice);
    MakeInstallaMod(std::string(kOffice) + "ZAV2021", std::string("00123SEGRETO\0", 13));
    MakeFile(std::string(kOffice) + "ZAV2021\\home\\BIN\\wrun32.exe", "MZ");
  };
  const struct {
    const char* name;
    std::function<void()> prepare;
    std::string arguments;
    std::string server;
    DWORD code;
    std::string log;
  } cases[] = {
      {"no password", nothing, "/QUIET /NEWOFFICE /OFFICE=123", "state", 2,
       "[**  ERR] Unattended command line refused -> a new office needs /PASSWORD= or "
       "/PASSWORDFILE="},
      {"password file missing", nothing,
       "/QUIET /NEWOFFICE /OFFICE=123 /PASSWORDFILE=C:\\absent.txt", "state", 2,
       "[**  ERR] Unattended password file not read -> C:\\absent.txt -> 2"},
      {"office code", nothing,
       "/QUIET /NODISCOVERY /NEWOFFICE /OFFICE=123456 /PASSWORD=segreto /SHARING=NO", "state", 11,
       "[* WARN] Invalid PM inserted -> 123456"},
      {"nothing to add to", nothing, "/QUIET /NODISCOVERY /ADDPC /OFFICE=123", "state", 12,
       "[**  ERR] Unattended message -> Attenzione -> ATTENZIONE!! Non \xE8 stata trovata "
       "nessuna Piattaforma ZAV 2021 per cui creare un nuovo posto di lavoro."},
      {"a CD-ROM drive", nothing, office + " /SHARING=NO /DIR=D:", "state", 13,
       "[**  ERR] Unattended destination not usable -> D: (a drive of this PC, or a folder on "
       "one, is needed)"},
      {"share offer", nothing, office + " /DIR=F:", "state", 10,
       "[**  ERR] Unattended: question not answered (switch: /SHARING=YES|NO) -> the share "
       "offer for the office folder, asked at the end of the installation"},
      {"invalid configuration",
       [] { MakeInstallaMod("F:\\ZAV\\PM00777\\ZAV2021", std::string("00777ALTRA\r\n", 12)); },
       office + " /DIR=F: /SHARING=NO", "state", 10,
       "[**  ERR] Unattended: question not answered (switch: /ACCEPTINVALID) -> ATTENZIONE!! "
       "E' stata rilevata una configurazione non valida, vuoi procedere con l'installazione?"},
      {"locked office",
       [registered] {
         registered();
         CreateInstallLock(kOffice, "7");
       },
       "/QUIET /NODISCOVERY /ADDPC /OFFICE=123 /SHARING=NO", "state", 14,
       "[**  ERR] Unattended: question not answered (switch: /IGNORELOCK) -> E' stata rilevata "
       "un'altra installazione concorrente per questo Codice Ufficio. Vuoi procedere?"},
      {"manifest missing", nothing, office + " /DIR=F: /SHARING=NO /RETRIES=1 /RETRYWAIT=0",
       "missing", 16,
       "[**  ERR] Unattended: given up after 1 retries -> Si sono verificati dei problemi di "
       "connessione durante il download di alcuni componenti. Verificare la propria "
       "connessione a Internet e riprovare."},
      {"platform open",
       [&] {
         registered();
         const std::string runtime = UnixToWindowsPath(ZAV_TEST_PROCS_DIR "/wrun32.exe");
         ASSERT_TRUE(platform.Start(runtime, kMenu));
         const std::string ready = "zav_idle_ready_" + std::to_string(platform.pid());
         ASSERT_TRUE(WaitUntil([&] {
           HANDLE event = OpenEventA(SYNCHRONIZE, FALSE, ready.c_str());
           if (event) CloseHandle(event);
           return event != nullptr;
         }));
       },
       "/QUIET /NODISCOVERY /RESTORE /RETRIES=1 /RETRYWAIT=0", "state", 15,
       "[**  ERR] Unattended: still open after 1 checks -> ATTENZIONE!! E' stata rilevata una "
       "versione della Piattaforma in esecuzione. Chiudere il programma e cliccare su OK per "
       "proseguire con l'installazione."},
      {"proxy credentials", nothing, office + " /DIR=F: /SHARING=NO /SKIPUPDATE", "auth", 18,
       "[**  ERR] Unattended: the proxy asks for credentials (/PROXYUSER=, /PROXYPASSWORD=)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Clean();
    c.prepare();
    const std::string mod = std::string(kOffice) + "ZAV2021\\HOME\\ETC\\INSTALLA.MOD";
    const bool locked = FileExists(std::string(kOffice) + "ZAV_Shared\\LockFile");
    const bool configured = FileExists(mod);
    Run(c.arguments, c.code, c.server);
    EXPECT_TRUE(Logged(c.log)) << c.log;
    EXPECT_TRUE(Logged("[  INFO] Unattended installation ended -> " + std::to_string(c.code)));
    platform.Kill();
    // A lock is this run's only while it runs; another's stays. No configuration is written.
    EXPECT_EQ(FileExists(std::string(kOffice) + "ZAV_Shared\\LockFile"), locked);
    EXPECT_EQ(FileExists(mod), configured);
  }

  // With the credentials the proxy lets the installation through; the share is wanted but
  // cannot be made: installed, and that told apart from a plain success.
  Clean();
  SetEnvironmentVariableA("ZAV_FAKE_SHARE_ADD", "2118");
  Run(office + " /DIR=F: /SHARING=YES /SKIPUPDATE /PROXYUSER=tecnico /PROXYPASSWORD=pw", 22,
      "auth", UnixToWindowsPath(ZAV_FAKE_SHARE_SETUP));
  SetEnvironmentVariableA("ZAV_FAKE_SHARE_ADD", nullptr);
  EXPECT_EQ(Rows2021().size(), 1u);
  EXPECT_TRUE(Logged("[* WARN] Sharing failed due to error -> 2118"));
  EXPECT_FALSE(FileExists(std::string(kOffice) + "ZAV_Shared\\LockFile"));
}

}  // namespace
