// An office with several PCs, each a Wine prefix of its own with its own computer name
// (tests/support/other_pc.h): PC1 (this test's prefix) installs a new office on F:; PC2
// reaches PC1's office folder as the network drive N:, PC3 as M:. The real ZAV2021.exe runs
// on every PC against the local update server. The steps that run on another PC are the
// disabled tests of the suite OnOtherPc, started there by the scenario.
#include <gtest/gtest.h>
#include <windows.h>
#include <prsht.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <map>
#include <memory>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include "log/setup_log.h"
#include "resource.h"
#include "sharedinfo/sharedinfo.h"
#include "support/other_pc.h"
#include "support/process.h"
#include "support/temp_folder.h"
#include "support/ui_driver.h"
#include "survey/setting.h"
#include "survey/survey_fixtures.h"
#include "sys/fs_utils.h"
#include "sys/install_lock.h"
#include "wizard_driver.h"

namespace {

const char kOffice[] = "F:\\ZAV\\PM00123\\";
const char kLayers[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers";
const char kWorkstationQuestion[] =
    "La Piattaforma ZAV 2021 per l'Ufficio Autorizzato 00123 risulta già installata.\n\n"
    "Procedere alla creazione del posto di lavoro e dell'icona di accesso in Piattaforma?";
const char kIconQuestion[] =
    "La Piattaforma ZAV 2021 per l'Ufficio Autorizzato 00123 risulta già installata.\n\n"
    "Procedere alla creazione dell'icona di accesso in Piattaforma?";
// The workstation could not be registered (the end page's exit code).
const DWORD kExitNotRegistered = 4;
const char kLockQuestion[] =
    "E' stata rilevata un'altra installazione concorrente per questo Codice Ufficio. Vuoi "
    "procedere?";

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string ServerPort(const std::string& name) {
  return ReadTextFile(UnixToWindowsPath(ZAV_INSTALL_SERVER "/" + name + "/serve.port"));
}

// Unix folder of a fixture drive of this PC.
std::string DriveFolder(char letter) {
  return Env("ZAV_BUILD_DIR") + "/fixtures/drives/" + std::string(1, letter);
}

// Every file below the folder with its size, attributes and bytes.
void Snapshot(const std::string& folder, const std::string& skip,
              std::map<std::string, std::string>& files) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    const std::string path = folder + "\\" + name;
    if (path.rfind(skip, 0) == 0) continue;
    files[path] = std::to_string(data.dwFileAttributes);
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      Snapshot(path, skip, files);
    else
      files[path] += "|" + ReadTextFile(path);
  } while (FindNextFileA(find, &data));
  FindClose(find);
}

std::map<std::string, std::string> OfficeFiles() {
  std::map<std::string, std::string> files;
  Snapshot("F:\\ZAV\\PM00123", "F:\\ZAV\\PM00123\\ZAV_Shared\\SharedInfo", files);
  return files;
}

struct Row {
  std::string pwd, pdl, assignee, path;
};
// The office's 2021 workstations, by number.
std::vector<Row> Rows2021() {
  std::vector<Row> rows;
  SQLite::Database db(std::string(kOffice) + "ZAV_Shared\\SharedInfo", SQLite::OPEN_READONLY);
  SQLite::Statement query(db,
                          "SELECT w.pwd, w.pdl, w.assignee, w.path FROM Workpoint w JOIN "
                          "Workpoint_SwExt ws ON ws.idWorkpoint = w.idWorkpoint JOIN SwExt s ON "
                          "s.idSwExt = ws.idSwExt WHERE s.anno = '2021' AND w.pm = '00123' "
                          "ORDER BY w.pdl");
  while (query.executeStep())
    rows.push_back({ScramblePassword(query.getColumn(0).getString()),
                    query.getColumn(1).getString(), query.getColumn(2).getString(),
                    query.getColumn(3).getString()});
  return rows;
}

// ---- Steps that run on another PC (the scenario passes what they need in variables) ----

class OnOtherPc : public testing::Test {
 protected:
  void SetUp() override {
    root_ = Env("ZAV_PC_LETTER") + ":\\";
    if (Env("ZAV_PC_NAME").empty()) GTEST_SKIP() << "started by the scenarios only";
  }

  HWND NextTo(const std::string& page) {
    wizard_.Press(PSBTN_NEXT);
    return wizard_.WaitForPage(page);
  }
  void Expect(const std::string& caption, const std::string& text, int button = IDOK) {
    const Box box = wizard_.WaitForBox();
    ASSERT_TRUE(box.hwnd) << "no box: " << text;
    EXPECT_EQ(box.caption, caption);
    EXPECT_EQ(box.text.substr(0, text.size()), text);
    EXPECT_TRUE(wizard_.Answer(box, button));
  }
  // Chooses the office on the list page, as it is listed from this PC.
  void ChooseOffice(HWND list) {
    const std::vector<std::string> lines = wizard_.ListLines(list, IDC_OFFICE_LIST);
    const std::string line = "Ufficio Autorizzato 00123 - 2021 (" + root_ + "ZAV2021)";
    const auto it = std::find(lines.begin(), lines.end(), line);
    ASSERT_NE(it, lines.end()) << line;
    PostMessageA(GetDlgItem(list, IDC_OFFICE_LIST), LB_SETCURSEL, it - lines.begin(), 0);
  }
  // Waits for a file that the scenario writes (a step of its own between two presses).
  static bool WaitForScenario(const std::string& file) {
    return WaitUntil([&] { return FileExists(file); }, 300000);
  }
  void Finish(bool copied) {
    ASSERT_TRUE(WaitUntil([&] { return wizard_.log().Has("[  INFO] Deleted lock file"); }));
    wizard_.Press(PSBTN_FINISH);
    if (copied) Expect("Importante", "Per accedere alla Piattaforma ZAV 2021");
    EXPECT_EQ(wizard_.WaitForExit(), 0u);
  }

  std::string root_;
  WizardDriver wizard_;
};

// This PC is another computer that sees the office folder on a drive of type network; it
// finds the office only as a folder without a registration it can resolve, so it goes the
// way of an invalid configuration to the list, then adds its workstation. With
// ZAV_PC_DROP_FILE the network drive disappears while the install page is shown.
TEST_F(OnOtherPc, DISABLED_AddsItsWorkstation) {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof(name);
  ASSERT_TRUE(GetComputerNameA(name, &size));
  ASSERT_EQ(std::string(name), Env("ZAV_PC_NAME"));
  ASSERT_EQ(GetDriveTypeA(root_.c_str()), static_cast<UINT>(DRIVE_REMOTE));
  CSetting survey;
  survey.LoadInfAndDisks();
  EXPECT_NE(std::find(survey.disks.begin(), survey.disks.end(), root_), survey.disks.end());

  DeleteLog();
  // The start page asks as soon as it is shown, before it takes input.
  ASSERT_TRUE(wizard_.Start("/NODISCOVERY"));
  Expect("Attenzione",
         "ATTENZIONE!!\n\nE' stata rilevata una configurazione non valida, vuoi procedere con "
         "l'installazione?",
         IDYES);
  HWND list = wizard_.WaitForPage("WIZ_PMSELECT");
  ASSERT_TRUE(list);
  std::string shot = "wiz_pmselect_" + Env("ZAV_PC_NAME");
  std::transform(shot.begin(), shot.end(), shot.begin(), ::tolower);
  wizard_.Screenshot(shot);
  ChooseOffice(list);
  wizard_.Press(PSBTN_NEXT);
  const std::string drop = Env("ZAV_PC_DROP_FILE");
  if (!drop.empty()) {
    Expect("Attenzione", kWorkstationQuestion, IDYES);
    ASSERT_TRUE(wizard_.WaitForPage("WIZ_BEFOREINSTALL"));
    wizard_.Press(PSBTN_NEXT);
    // The first request for the manifest fails: the installation waits on its Retry box
    // while the scenario takes the network drive away.
    const Box retry = wizard_.WaitForBox();
    ASSERT_TRUE(retry.hwnd);
    EXPECT_EQ(retry.text.rfind("Si sono verificati dei problemi di connessione", 0), 0u)
        << retry.text;
    ASSERT_TRUE(WriteTextFile(drop + ".asked", "1"));
    ASSERT_TRUE(WaitForScenario(drop));
    EXPECT_EQ(GetFileAttributesA((root_ + "ZAV2021").c_str()), INVALID_FILE_ATTRIBUTES);
    ASSERT_TRUE(wizard_.Answer(retry, IDRETRY));
    ASSERT_TRUE(WaitUntil([&] { return wizard_.log().Has("[  INFO] Sheet active -> WIZ_END"); }));
    // Unregistered, the end page must not pass for a success: its errors (the file, the
    // registration), then the setup ends by itself.
    Expect("Errore", "Errore nella scrittura delle configurazioni sul disco.");
    DWORD code = STILL_ACTIVE;
    for (;;) {
      HWND more = nullptr;
      ASSERT_TRUE(WaitUntil([&] {
        more = WaitForMessageBox(wizard_.pid(), 0);
        return more || wizard_.Exited(code);
      }));
      if (!more) break;
      EXPECT_EQ(WindowText(more), "Errore");
      EXPECT_EQ(MessageBoxText(more).rfind("Errore nella scrittura delle configurazioni", 0), 0u);
      EXPECT_TRUE(PressAndWaitGone(more, IDOK, 60000));
    }
    std::cout << "exit code after the drive went away: " << code << "\n";
    EXPECT_EQ(code, kExitNotRegistered);
    EXPECT_TRUE(wizard_.log().MessagesWith("[  INFO] Created new workpoint").empty());
    return;
  }
  // What an interrupted installation of this PC left: its lock, asked about and taken over.
  const bool stale_lock = !Env("ZAV_PC_STALE_LOCK").empty();
  if (stale_lock) Expect("Attenzione", kLockQuestion, IDYES);
  Expect("Attenzione", kWorkstationQuestion, IDYES);
  ASSERT_TRUE(wizard_.WaitForPage("WIZ_BEFOREINSTALL"));
  wizard_.Press(PSBTN_NEXT);
  if (stale_lock) Expect("Attenzione", kLockQuestion, IDYES);
  Finish(true);
  EXPECT_TRUE(wizard_.log().Has("[  INFO] Destination unit is " + root_ +
                                " and is remote, so don't ask for share it"));
  // The client on this PC's own C:, its shortcut and values.
  EXPECT_TRUE(FileExists("C:\\ZAV\\QEL\\BIN\\qel.exe"));
  EXPECT_TRUE(FileExists("C:\\users\\root\\ZavDesktop\\Rivaduz ZAV.lnk"));
  char data[64] = {};
  DWORD data_size = sizeof(data);
  EXPECT_EQ(
      RegGetValueA(HKEY_CURRENT_USER, kLayers, (root_ + "ZAV2021\\HOME\\BIN\\wrun32.exe").c_str(),
                   RRF_RT_REG_SZ, nullptr, data, &data_size),
      ERROR_SUCCESS);
  EXPECT_EQ(std::string(data), "ELEVATECREATEPROCESS");
}

// This PC is registered; another PC holds the office's install lock: the question on the
// list page, answered No (the page stays) and then Yes, and again on the install page.
TEST_F(OnOtherPc, DISABLED_StartsWhileTheOfficeIsLocked) {
  DeleteLog();
  ASSERT_TRUE(wizard_.Start("/NODISCOVERY"));
  HWND start = wizard_.WaitForPage("WIZ_START");
  ASSERT_TRUE(start && wizard_.Check(start, IDC_OPTION_ADD_PDL));
  HWND list = NextTo("WIZ_PMSELECT");
  ASSERT_TRUE(list);
  ChooseOffice(list);
  wizard_.Press(PSBTN_NEXT);
  Expect("Attenzione", kLockQuestion, IDNO);
  EXPECT_EQ(CurrentPage(wizard_.sheet()), list);
  wizard_.Press(PSBTN_NEXT);
  Expect("Attenzione", kLockQuestion, IDYES);
  Expect("Attenzione", kIconQuestion, IDYES);
  Expect("Attenzione", kLockQuestion, IDYES);
  Finish(false);
  EXPECT_TRUE(wizard_.log().Has("[  INFO] User choose NOT to continue with setup"));
  EXPECT_TRUE(wizard_.log().Has("[* WARN] Lock file not created because already exists"));
}

// "/UP" for the office on the network drive: the unit would convert the office's own shared
// year folder, so the end page asks first; answered No, the folder is left as it is.
TEST_F(OnOtherPc, DISABLED_InstallsAPeripheralUnit) {
  DeleteLog();
  ASSERT_TRUE(wizard_.Start("/NODISCOVERY /UP"));
  HWND start = wizard_.WaitForPage("WIZ_START");
  ASSERT_TRUE(start && wizard_.Check(start, IDC_OPTION_INSTALL));
  wizard_.Press(PSBTN_NEXT);
  Expect("Attenzione", "Confermi l'installazione dell'unità periferica?", IDYES);
  HWND list = wizard_.WaitForPage("WIZ_PMSELECT");
  ASSERT_TRUE(list);
  ChooseOffice(list);
  wizard_.Press(PSBTN_NEXT);
  Expect("Attenzione", kIconQuestion, IDYES);
  Expect("Attenzione",
         "ATTENZIONE!!\n\nLa cartella " + root_ + "ZAV2021 si trova su un'unità di rete", IDNO);
  Finish(false);
  EXPECT_TRUE(wizard_.log().Has(
      "[* WARN] Unit configuration on a network drive, left as it is -> " + root_ + "ZAV2021"));
}

// ---- The scenarios, on PC1 ----

class OfficePcs : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    pc2_ = new OtherPc("PC2", {{'N', DriveFolder('f') + "/ZAV/PM00123"}});
    pc3_ = new OtherPc("PC3", {{'M', DriveFolder('f') + "/ZAV/PM00123"}});
  }
  static void TearDownTestSuite() {
    delete pc2_;
    delete pc3_;
  }
  void SetUp() override {
    RemoveFolderContents("F:");
    RemoveTree("C:\\ZAV");
  }
  void TearDown() override {
    if (driver_) driver_->CancelIfShown();
    SetEnvironmentVariableA("http_proxy", nullptr);
    RemoveFolderContents("F:");
    RemoveTree("C:\\ZAV");
    for (OtherPc* pc : {pc2_, pc3_}) pc->Stop();
  }

  // PC1 installs the new office 00123 with the password SEGRETO on F:.
  void InstallOfficeOnPc1() {
    const std::string port = ServerPort("state");
    ASSERT_FALSE(port.empty()) << "the update server is not running";
    SetEnvironmentVariableA("http_proxy", ("http://127.0.0.1:" + port).c_str());
    driver_ = std::make_unique<WizardDriver>();
    DeleteLog();
    ASSERT_TRUE(driver_->Start("/NODISCOVERY"));
    HWND start = driver_->WaitForPage("WIZ_START");
    ASSERT_TRUE(start && driver_->Check(start, IDC_OPTION_INSTALL));
    driver_->Press(PSBTN_NEXT);
    HWND pmnew = driver_->WaitForPage("WIZ_PMNEW");
    ASSERT_TRUE(pmnew && driver_->Type(pmnew, IDC_OFFICE_CODE, "123", "123") &&
                driver_->Type(pmnew, IDC_OFFICE_PASSWORD, "segreto", "SEGRETO"));
    driver_->Press(PSBTN_NEXT);
    HWND unit = driver_->WaitForPage("WIZ_SELECTUNIT");
    ASSERT_TRUE(unit);
    HWND drives = GetDlgItem(unit, IDC_DRIVE_LIST);
    const LRESULT f = SendMessageA(drives, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                   reinterpret_cast<LPARAM>("F"));
    ASSERT_NE(f, CB_ERR);
    PostMessageA(drives, CB_SETCURSEL, f, 0);
    ASSERT_TRUE(WaitUntil([&] { return SendMessageA(drives, CB_GETCURSEL, 0, 0) == f; }));
    driver_->Press(PSBTN_NEXT);
    ASSERT_TRUE(driver_->WaitForPage("WIZ_BEFOREINSTALL"));
    driver_->Press(PSBTN_NEXT);
    ASSERT_TRUE(WaitUntil([&] { return driver_->log().Has("[  INFO] Sheet active -> WIZ_END"); }));
    // In an office the folder is shared here; Wine has no shares, the test links it.
    const Box share = driver_->WaitForBox();
    ASSERT_EQ(share.caption, "Condivisione");
    ASSERT_TRUE(driver_->Answer(share, IDNO));
    ASSERT_TRUE(WaitUntil([&] { return driver_->log().Has("[  INFO] Deleted lock file"); }));
    driver_->Press(PSBTN_FINISH);
    const Box copied = driver_->WaitForBox();
    ASSERT_TRUE(driver_->Answer(copied, IDOK));
    ASSERT_EQ(driver_->WaitForExit(), 0u);
    driver_.reset();
    // A real runtime carries the unit marker that a peripheral unit deletes.
    MakeFile(std::string(kOffice) + "ZAV2021\\FILES\\TXT\\egoeimi.uff", "ufficio");
  }

  // Runs one step of OnOtherPc on the PC; the step's own output when it fails.
  void RunStep(OtherPc& pc, const std::string& step, std::vector<std::string> environment,
               const std::string& server = "state") {
    environment.push_back("ZAV_PC_NAME=" + pc.name());
    environment.push_back("http_proxy=http://127.0.0.1:" + ServerPort(server));
    const PcRun run = pc.Wait(pc.StartTest("OnOtherPc.DISABLED_" + step, environment), 900000);
    EXPECT_TRUE(OtherPc::Passed(run)) << pc.name() << " " << step << ":\n" << run.output;
  }

  static OtherPc* pc2_;
  static OtherPc* pc3_;
  TempFolder desktop_;
  ScopedDesktop desktop_redirect_{desktop_.path()};
  std::unique_ptr<WizardDriver> driver_;
};

OtherPc* OfficePcs::pc2_ = nullptr;
OtherPc* OfficePcs::pc3_ = nullptr;

// PC2 adds its workstation: the network drive disappears in the middle of the installation
// (a clear error, nothing registered), then a clean rerun registers it with PC1's exact
// password; PC3 maps the share under another letter and does the same. Then PC2 and PC3
// register at the same moment against the one SharedInfo file.
TEST_F(OfficePcs, WorkstationsFromOtherPcsThroughTheirNetworkDrives) {
  ASSERT_TRUE(pc2_->Prepare() && pc3_->Prepare()) << "the other PCs' prefixes";
  InstallOfficeOnPc1();
  if (HasFatalFailure()) return;
  const std::map<std::string, std::string> pc1_files = OfficeFiles();
  ASSERT_EQ(Rows2021().size(), 1u);

  // Files the PCs exchange between two steps, where every PC reaches them (Z:).
  const std::string handshake = UnixToWindowsPath(Env("ZAV_BUILD_DIR") + "/pcs/handshake");
  RemoveTree(handshake);
  ASSERT_TRUE(CreateDirectoryTree(handshake));
  // The network drive goes away while PC2's install page waits on its Retry box.
  const std::string drop = handshake + "\\dropped";
  const PcRun dropped = [&] {
    OtherPc::Job job =
        pc2_->StartTest("OnOtherPc.DISABLED_AddsItsWorkstation",
                        {"ZAV_PC_NAME=PC2", "ZAV_PC_LETTER=N", "ZAV_PC_DROP_FILE=" + drop,
                         "http_proxy=http://127.0.0.1:" + ServerPort("pcs")});
    EXPECT_TRUE(
        WaitUntil([&] { return FileExists(drop + ".asked") || OtherPc::Ended(job); }, 900000));
    EXPECT_TRUE(pc2_->UnlinkDrive('N'));
    WriteTextFile(drop, "1");
    return pc2_->Wait(job, 900000);
  }();
  EXPECT_TRUE(OtherPc::Passed(dropped)) << dropped.output;
  ASSERT_TRUE(pc2_->RelinkDrive('N'));
  EXPECT_EQ(Rows2021().size(), 1u);
  std::map<std::string, std::string> left = OfficeFiles();
  const std::string lock = std::string(kOffice) + "ZAV_Shared\\LockFile";
  EXPECT_NE(left[lock].find(";PC2\\"), std::string::npos) << "the interrupted run's lock";
  left.erase(lock);
  EXPECT_EQ(left, pc1_files);

  RunStep(*pc2_, "AddsItsWorkstation", {"ZAV_PC_LETTER=N", "ZAV_PC_STALE_LOCK=1"});
  RunStep(*pc3_, "AddsItsWorkstation", {"ZAV_PC_LETTER=M"});
  std::vector<Row> rows = Rows2021();
  ASSERT_EQ(rows.size(), 3u);
  const char* kPaths[] = {kOffice, "N:\\", "M:\\"};
  const char* kPcs[] = {"", "PC2\\", "PC3\\"};
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].pdl, std::to_string(i + 1));
    EXPECT_EQ(rows[i].pwd, "SEGRETO") << "the password bytes of workstation " << i + 1;
    EXPECT_EQ(rows[i].path, kPaths[i]);
    EXPECT_EQ(rows[i].assignee.rfind(kPcs[i], 0), 0u) << rows[i].assignee;
  }
  EXPECT_EQ(OfficeFiles(), pc1_files) << "PC1's files changed beyond SharedInfo";

  // Both register 20 workstations at once, each through its own drive letter.
  const std::string barrier = handshake + "\\go";
  const std::string helper = OwnExePath().substr(0, OwnExePath().find_last_of('\\')) +
                             "\\..\\sharedinfo\\sharedinfo_register_helper.exe";
  OtherPc::Job a = pc2_->Start(helper, "N:\\ZAV_Shared\\SharedInfo 00123 2021 20 PC2 @" + barrier);
  OtherPc::Job b = pc3_->Start(helper, "M:\\ZAV_Shared\\SharedInfo 00123 2021 20 PC3 @" + barrier);
  ASSERT_TRUE(WaitUntil(
      [&] {
        return (FileExists(barrier + ".PC2") || OtherPc::Ended(a)) &&
               (FileExists(barrier + ".PC3") || OtherPc::Ended(b));
      },
      300000));
  ASSERT_TRUE(WriteTextFile(barrier, "go"));
  const PcRun done_a = pc2_->Wait(a, 300000), done_b = pc3_->Wait(b, 300000);
  ASSERT_TRUE(done_a.ended && done_b.ended);
  std::cout << "PC2: " << done_a.output << "PC3: " << done_b.output;
  // Each helper prints how many of its registrations went through (an exit code that
  // crosses Linux carries only 8 bits).
  const auto count = [](const PcRun& run) {
    const size_t at = run.output.find(" registrations in ");
    if (at == std::string::npos) return -1000;
    const size_t line = run.output.rfind('\n', at);
    return std::atoi(run.output.c_str() + (line == std::string::npos ? 0 : line + 1));
  };
  const int registered = count(done_a) + count(done_b);
  EXPECT_GE(registered, 36);
  rows = Rows2021();
  ASSERT_EQ(rows.size(), 3u + registered);
  int turns = 0;  // the two PCs really registered side by side: their numbers interleave
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].pdl, std::to_string(i + 1));
    if (i > 3 && rows[i].assignee.substr(0, 6) != rows[i - 1].assignee.substr(0, 6)) ++turns;
  }
  EXPECT_GT(turns, 2);
  SQLite::Database db(std::string(kOffice) + "ZAV_Shared\\SharedInfo", SQLite::OPEN_READONLY);
  EXPECT_EQ(db.execAndGet("PRAGMA integrity_check").getString(), "ok");
  // The rollback journal, never write-ahead logging (which needs memory shared by the PCs).
  EXPECT_EQ(db.execAndGet("PRAGMA journal_mode").getString(), "delete");
  EXPECT_FALSE(FileExists(std::string(kOffice) + "ZAV_Shared\\SharedInfo-wal"));

  // PC1 holds the install lock while PC2 starts; then PC2 installs a peripheral unit.
  CreateInstallLock(kOffice, "1");
  RunStep(*pc2_, "StartsWhileTheOfficeIsLocked", {"ZAV_PC_LETTER=N"});
  RunStep(*pc2_, "InstallsAPeripheralUnit", {"ZAV_PC_LETTER=N"});
  EXPECT_EQ(OfficeFiles(), pc1_files) << "PC1's files changed beyond SharedInfo";
}

}  // namespace
