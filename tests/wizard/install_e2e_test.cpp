// Whole installations through the real ZAV2021.exe under Wine against the local update
// server (tools/serve with the sample packages, reached as WinINet's proxy): every page from
// the start to Finish, then the files, SharedInfo rows, configuration bytes, shortcut,
// registry values and log the installation leaves behind.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <prsht.h>
#include <shlobj.h>

#include <cstdlib>
#include <memory>

#include <SQLiteCpp/Database.h>

#include "log/setup_log.h"
#include "resource.h"
#include "sharedinfo/sharedinfo.h"
#include "support/process.h"
#include "support/setup_runner.h"
#include "support/temp_folder.h"
#include "support/ui_driver.h"
#include "survey/survey_fixtures.h"
#include "sys/fs_utils.h"
#include "wizard_driver.h"

namespace {

const char kLayers[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers";
const char kPersisted[] =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Compatibility "
    "Assistant\\Persisted";
const char kRuntime[] = "F:\\ZAV\\PM00123\\ZAV2021\\HOME\\BIN\\wrun32.exe";

std::string RegistryText(const char* key, const char* value) {
  char data[512] = {};
  DWORD size = sizeof(data) - 1;
  if (RegGetValueA(HKEY_CURRENT_USER, key, value, RRF_RT_ANY | RRF_NOEXPAND, nullptr, data,
                   &size) != ERROR_SUCCESS)
    return "<missing>";
  return data;
}

DWORD RegistryNumber(const char* key, const char* value) {
  DWORD data = 0, size = sizeof(data);
  RegGetValueA(HKEY_CURRENT_USER, key, value, RRF_RT_REG_DWORD, nullptr, &data, &size);
  return data;
}

// The target of a shell link, as the shell reads it back.
std::string LinkTarget(const std::string& link) {
  CoInitialize(nullptr);
  std::string target;
  IShellLinkA* shell_link = nullptr;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&shell_link))) &&
      SUCCEEDED(shell_link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    wchar_t wide[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH);
    char path[MAX_PATH] = {};
    if (SUCCEEDED(file->Load(wide, STGM_READ)) &&
        SUCCEEDED(shell_link->GetPath(path, MAX_PATH, nullptr, 0)))
      target = path;
  }
  if (file) file->Release();
  if (shell_link) shell_link->Release();
  CoUninitialize();
  return target;
}

// A control of a dialog by id, at any depth.
HWND FindChild(HWND parent, int id) {
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (GetDlgCtrlID(child) == id) return child;
    if (HWND inner = FindChild(child, id)) return inner;
  }
  return nullptr;
}

class InstallE2E : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* drive : {"E:", "F:", "N:"}) RemoveFolderContents(drive);
    RemoveTree("C:\\ZAV");
    UseServer("state");
  }

  // The update server the setup reaches as its proxy: "state" or "stall" (see
  // install_server.sh).
  static void UseServer(const std::string& name) {
    const std::string port =
        ReadTextFile(UnixToWindowsPath(ZAV_INSTALL_SERVER "/" + name + "/serve.port"));
    ASSERT_FALSE(port.empty()) << "the update server is not running: " << name;
    SetEnvironmentVariableA("http_proxy", ("http://127.0.0.1:" + port).c_str());
  }
  void TearDown() override {
    wizard().CancelIfShown();
    SetEnvironmentVariableA("http_proxy", nullptr);
    for (const char* key : {kLayers, kPersisted}) {
      HKEY handle;
      if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_SET_VALUE, &handle) != ERROR_SUCCESS)
        continue;
      RegDeleteValueA(handle, kRuntime);
      RegCloseKey(handle);
    }
    for (const char* drive : {"E:", "F:", "N:"}) RemoveFolderContents(drive);
    RemoveTree("C:\\ZAV");
  }

  HWND NextTo(const std::string& page) {
    wizard().Press(PSBTN_NEXT);
    return wizard().WaitForPage(page);
  }

  // Answers the next box of the setup, which must have this caption and begin with `text`.
  void Expect(const std::string& caption, const std::string& text, int button = IDOK) {
    const Box box = wizard().WaitForBox();
    ASSERT_TRUE(box.hwnd) << "no box: " << text;
    EXPECT_EQ(box.caption, caption);
    EXPECT_EQ(box.text.substr(0, text.size()), text);
    EXPECT_TRUE(wizard().Answer(box, button));
  }

  // From the start page to WIZ_SELECTUNIT of a new office 00123 with password SEGRETO.
  HWND NewOfficeToUnitPage(const std::string& arguments = "/NODISCOVERY") {
    driver_ = std::make_unique<WizardDriver>();  // one per setup run
    DeleteLog();
    if (!wizard().Start(arguments)) return nullptr;
    HWND start = wizard().WaitForPage("WIZ_START");
    if (!start || !wizard().Check(start, IDC_OPTION_INSTALL)) return nullptr;
    HWND pmnew = NextTo("WIZ_PMNEW");
    if (!pmnew || !wizard().Type(pmnew, IDC_OFFICE_CODE, "123", "123") ||
        !wizard().Type(pmnew, IDC_OFFICE_PASSWORD, "segreto", "SEGRETO"))
      return nullptr;
    return NextTo("WIZ_SELECTUNIT");
  }

  // Chooses the drive line in the unit page's list.
  bool ChooseDrive(HWND unit, const std::string& line) {
    HWND list = GetDlgItem(unit, IDC_DRIVE_LIST);
    DWORD_PTR index = 0;
    if (!SendMessageTimeoutA(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                             reinterpret_cast<LPARAM>(line.c_str()), SMTO_ABORTIFHUNG, 5000,
                             &index) ||
        static_cast<LRESULT>(index) == CB_ERR)
      return false;
    PostMessageA(list, CB_SETCURSEL, index, 0);
    return WaitUntil(
        [&] { return static_cast<DWORD_PTR>(SendMessageA(list, CB_GETCURSEL, 0, 0)) == index; });
  }

  TempFolder desktop_;
  // The shortcut goes into a folder of the test, not the Linux user's desktop.
  ScopedDesktop desktop_redirect_{desktop_.path()};
  WizardDriver& wizard() { return *driver_; }
  std::unique_ptr<WizardDriver> driver_ = std::make_unique<WizardDriver>();
};

TEST_F(InstallE2E, NewOfficeFromAnEmptyMachine) {
  HWND unit = NewOfficeToUnitPage();
  ASSERT_TRUE(unit);
  EXPECT_EQ(ControlText(unit, IDC_DESTINATION), "C:\\ZAV\\PM00123");
  ASSERT_TRUE(ChooseDrive(unit, "F"));
  HWND before = NextTo("WIZ_BEFOREINSTALL");
  ASSERT_TRUE(before);
  EXPECT_EQ(ControlText(before, IDC_DESTINATION), "F:\\ZAV\\PM00123\\");
  HWND install = NextTo("WIZ_INSTALL");
  ASSERT_TRUE(install);
  EXPECT_EQ(ControlText(install, IDC_INSTALL_GROUP), "Installazione in corso");
  EXPECT_TRUE(ReadTextFile("F:\\ZAV\\PM00123\\ZAV_Shared\\LockFile").size() > 0);

  // The end page asks its questions as soon as it is shown.
  ASSERT_TRUE(WaitUntil([&] { return wizard().log().Has("[  INFO] Sheet active -> WIZ_END"); }));
  Expect("Condivisione", "Se desideri utilizzare la Piattaforma ZAV anche negli altri PC", IDNO);
  ASSERT_TRUE(WaitUntil([&] { return wizard().log().Has("[  INFO] Deleted lock file"); }));
  HWND end = CurrentPage(wizard().sheet());
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(end, IDC_END_TITLE_INSTALL)));
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(end, IDC_END_NEWS_HOW)));
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(end, IDC_END_TITLE_RESTORE)));
  wizard().Screenshot("wiz_end");
  wizard().Press(PSBTN_FINISH);
  // The new workstation was copied into the earlier years.
  Expect("Importante", "Per accedere alla Piattaforma ZAV 2021 anche dalle altre postazioni");
  EXPECT_EQ(wizard().WaitForExit(), 0u);

  const std::string root = "F:\\ZAV\\PM00123\\";
  EXPECT_EQ(ReadTextFile(root + "ZAV2021\\HOME\\ETC\\INSTALLA.MOD"),
            "00123SEGRETO\r\r\nF:\\ZAV\\PM00123\\ZAV2021");
  EXPECT_TRUE(FileExists(kRuntime));
  EXPECT_TRUE(FileExists("C:\\ZAV\\QEL\\BIN\\qel.exe"));
  EXPECT_FALSE(FileExists(root + "ZAV_Shared\\LockFile"));
  std::vector<WorkpointInfo> rows;
  ASSERT_EQ(ParseSharedInfo(root + "ZAV_Shared\\SharedInfo", 2021, &rows), 0);
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows[0].pm, "00123");
  EXPECT_EQ(rows[0].pwd, "SEGRETO");
  EXPECT_EQ(rows[0].pdl, "1");
  EXPECT_EQ(rows[0].anno, 2021);
  EXPECT_EQ(rows[0].path, root);
  EXPECT_EQ(LinkTarget(desktop_.Sub("Rivaduz ZAV.lnk")), "C:\\ZAV\\QEL\\BIN\\qel.exe");
  EXPECT_EQ(RegistryText(kLayers, kRuntime), "ELEVATECREATEPROCESS");
  EXPECT_EQ(RegistryNumber(kPersisted, kRuntime), 2u);

  // The log of the pages 4.3 and 4.4 fix, in order.
  const std::vector<std::string> expected = {
      "[  INFO] Sheet active -> WIZ_SELECTUNIT",
      "[  INFO] Local installation detected",
      "[  INFO] Sheet active -> WIZ_BEFOREINSTALL",
      "[  INFO] Setting privileges and attributes on -> F:\\ZAV\\PM00123\\",
      "[  INFO] Setting privileges and attributes on -> F:\\ZAV\\PM00123\\ZAV2021\\",
      "[  INFO] Setting privileges and attributes on -> C:\\ZAV\\QEL\\",
      "[  INFO] Moltra install path confirmed -> F:\\ZAV\\PM00123\\",
      "[  INFO] QEL install path confirmed -> C:\\ZAV\\QEL\\BIN\\",
      "[  INFO] Setting privileges and attributes on -> F:\\ZAV\\PM00123\\ZAV_Shared\\",
      "[  INFO] Sheet active -> WIZ_INSTALL",
      "[  INFO] Created lock file",
      "[  INFO] Sheet active -> WIZ_END",
      "[  INFO] Setting privileges and attributes on -> F:\\ZAV\\PM00123\\ZAV_Shared",
      "[  INFO] Created other user on same year and/or current user on previous year",
      "[  INFO] Written -> F:\\ZAV\\PM00123\\ZAV2021\\HOME\\ETC\\INSTALLA.MOD",
      "[  INFO] Destination unit is F:\\ and is not remote, so look if can be shared",
      "[  INFO] No network share, ask user if wants to create it for path F:\\ZAV\\PM00123\\",
      "[* WARN] User choose NOT to create a network share for path F:\\ZAV\\PM00123\\",
      "[  INFO] Deleted lock file",
  };
  const std::vector<std::string> messages = wizard().log().Messages();
  int at = 0;
  for (const std::string& line : expected) {
    const int found = FindMessage(messages, line, at);
    EXPECT_GE(found, 0) << "missing or out of order: " << line;
    if (found >= 0) at = found + 1;
  }
}

TEST_F(InstallE2E, CancelKeepsTheLockAndTheNextSetupAsksAboutIt) {
  UseServer("stall");
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::vector<std::string> downloads = {std::string(temp) + "moltra2021.7z",
                                              std::string(temp) + "qel.7z",
                                              std::string(temp) + "ZAV2021.7z"};
  for (const std::string& file : {downloads[1], downloads[2]}) WriteTextFile(file, "earlier");
  HWND unit = NewOfficeToUnitPage();
  ASSERT_TRUE(unit);
  ASSERT_TRUE(ChooseDrive(unit, "F"));
  ASSERT_TRUE(NextTo("WIZ_BEFOREINSTALL"));
  HWND install = NextTo("WIZ_INSTALL");
  ASSERT_TRUE(install);
  // The platform archive is held by the server: the page shows its download.
  ASSERT_TRUE(WaitUntil([&] { return !ControlText(install, IDC_PHASE_TEXT).empty(); }));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(wizard().sheet(), 0x3023)));  // Back
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(wizard().sheet(), 0x3024)));  // Next
  wizard().Screenshot("wiz_install");
  const char kQuestion[] = "Sei sicuro di voler interrompere l'installazione?";
  wizard().Press(PSBTN_CANCEL);
  Expect("Attenzione", kQuestion, IDNO);
  EXPECT_EQ(CurrentPage(wizard().sheet()), install);
  wizard().Press(PSBTN_CANCEL);
  Expect("Attenzione", kQuestion, IDYES);
  EXPECT_EQ(wizard().WaitForExit(), 0u);
  for (const std::string& file : downloads) EXPECT_FALSE(FileExists(file)) << file;
  const std::string lock = ReadTextFile("F:\\ZAV\\PM00123\\ZAV_Shared\\LockFile");
  EXPECT_EQ(lock.rfind("[", 0), 0u) << lock;

  // The next setup for the office asks about the lock: No goes back to the office code,
  // Yes installs and removes the lock at the end.
  UseServer("state");
  unit = NewOfficeToUnitPage();
  ASSERT_TRUE(unit);
  ASSERT_TRUE(ChooseDrive(unit, "F"));
  ASSERT_TRUE(NextTo("WIZ_BEFOREINSTALL"));
  wizard().Press(PSBTN_NEXT);
  const char kLockQuestion[] =
      "E' stata rilevata un'altra installazione concorrente per questo Codice Ufficio. Vuoi "
      "procedere?";
  Expect("Attenzione", kLockQuestion, IDNO);
  ASSERT_TRUE(wizard().WaitForPage("WIZ_PMNEW"));
  ASSERT_TRUE(NextTo("WIZ_SELECTUNIT"));
  ASSERT_TRUE(NextTo("WIZ_BEFOREINSTALL"));
  wizard().Press(PSBTN_NEXT);
  Expect("Attenzione", kLockQuestion, IDYES);
  ASSERT_TRUE(WaitUntil([&] { return wizard().log().Has("[  INFO] Sheet active -> WIZ_END"); }));
  Expect("Condivisione", "Se desideri utilizzare la Piattaforma ZAV", IDNO);
  ASSERT_TRUE(WaitUntil([&] { return wizard().log().Has("[  INFO] Deleted lock file"); }));
  wizard().Press(PSBTN_FINISH);
  Expect("Importante", "Per accedere alla Piattaforma ZAV 2021");
  EXPECT_EQ(wizard().WaitForExit(), 0u);
  EXPECT_TRUE(wizard().log().Has("[  INFO] User choose NOT to continue with setup"));
  EXPECT_TRUE(wizard().log().Has("[* WARN] Lock file not created because already exists"));
  EXPECT_FALSE(FileExists("F:\\ZAV\\PM00123\\ZAV_Shared\\LockFile"));
  EXPECT_EQ(ReadTextFile("F:\\ZAV\\PM00123\\ZAV2021\\HOME\\ETC\\INSTALLA.MOD"),
            "00123SEGRETO\r\r\nF:\\ZAV\\PM00123\\ZAV2021");
}

// Cancel answered Yes while the platform is being unpacked (a local package of thousands of
// entries): the setup stops the unpacking, removes what it wrote and the downloads, and only
// then ends, with 0; the lock stays for the next setup.
TEST_F(InstallE2E, CancelDuringTheUnpackingRemovesWhatTheRunWrote) {
  TempFolder here;  // the setup's current folder, with the local runtime package
  const char* build = std::getenv("ZAV_BUILD_DIR");
  ASSERT_TRUE(CopyFileA(
      UnixToWindowsPath(std::string(build ? build : "") + "/tests/engine/packages/many.7z").c_str(),
      here.Sub("moltra2021.7z").c_str(), FALSE));
  char previous[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, previous);
  SetCurrentDirectoryA(here.path().c_str());
  HWND unit = NewOfficeToUnitPage();
  SetCurrentDirectoryA(previous);
  ASSERT_TRUE(unit);
  ASSERT_TRUE(ChooseDrive(unit, "F"));
  ASSERT_TRUE(NextTo("WIZ_BEFOREINSTALL"));
  HWND install = NextTo("WIZ_INSTALL");
  ASSERT_TRUE(install);
  ASSERT_TRUE(WaitUntil([&] {
    return ControlText(install, IDC_PHASE_TEXT) == "Fase 3 di 4 - Installazione componenti";
  }));
  wizard().Press(PSBTN_CANCEL);
  Expect("Attenzione", "Sei sicuro di voler interrompere l'installazione?", IDYES);
  EXPECT_EQ(wizard().WaitForExit(), 0u);
  // The folder the wizard prepared before the installation stays, empty.
  EXPECT_TRUE(DirectoryExists("F:\\ZAV\\PM00123\\ZAV2021"));
  EXPECT_TRUE(FolderEntries("F:\\ZAV\\PM00123\\ZAV2021").empty());
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  EXPECT_FALSE(FileExists(std::string(temp) + "qel.7z"));
  EXPECT_TRUE(FileExists("F:\\ZAV\\PM00123\\ZAV_Shared\\LockFile"));
  EXPECT_TRUE(wizard().log().Has("[* WARN] Installation cancelled by the user"));
  EXPECT_FALSE(wizard().log().Has("[  INFO] Sheet active -> WIZ_END"));
}

// A second workstation for an office another user installed this year, on the setup whose
// share service is the fake: the new pdl, the copies of DuplicateEntireYear and the Finish
// message, no INSTALLA.MOD (the year is installed), and the share made by the elevated
// re-launch after access was denied.
TEST_F(InstallE2E, AddedWorkstationSharesTheOfficeThroughTheElevatedSetup) {
  const std::string root = "F:\\ZAV\\PM00123\\";
  RegisterWorkpoint("F:\\ZAV\\PM00123", "00123", "SEGRETO", root, "2021", "ALTROPC\\utente");
  const std::string mod = std::string("00123SEGRETO\0", 13);
  MakeInstallaMod(root + "ZAV2021", mod);
  MakeFile(root + "ZAV2021\\home\\BIN\\wrun32.exe", "MZ");
  SetEnvironmentVariableA("ZAV_FAKE_SHARE_ADD", "5");
  SetEnvironmentVariableA("ZAV_FAKE_SHARE_CACHE", "2310");
  SetEnvironmentVariableA("ZAV_FAKE_ELEVATED", "0");
  DeleteLog();
  const bool started =
      wizard().Start("/NODISCOVERY /SKIPUPDATE", UnixToWindowsPath(ZAV_FAKE_SHARE_SETUP));
  for (const char* name : {"ZAV_FAKE_SHARE_ADD", "ZAV_FAKE_SHARE_CACHE", "ZAV_FAKE_ELEVATED"})
    SetEnvironmentVariableA(name, nullptr);
  ASSERT_TRUE(started);
  HWND start = wizard().WaitForPage("WIZ_START");
  ASSERT_TRUE(start && wizard().Check(start, IDC_OPTION_ADD_PDL));
  HWND list = NextTo("WIZ_PMSELECT");
  ASSERT_TRUE(list);
  PostMessageA(GetDlgItem(list, IDC_OFFICE_LIST), LB_SETCURSEL, 0, 0);
  wizard().Press(PSBTN_NEXT);
  Expect("Attenzione", "La Piattaforma ZAV 2021 per l'Ufficio Autorizzato 00123", IDYES);
  ASSERT_TRUE(wizard().WaitForPage("WIZ_BEFOREINSTALL"));
  wizard().Press(PSBTN_NEXT);
  ASSERT_TRUE(WaitUntil([&] { return wizard().log().Has("[  INFO] Sheet active -> WIZ_END"); }));
  Expect("Condivisione", "Se desideri utilizzare la Piattaforma ZAV", IDYES);
  Expect("Condivisione", "La Piattaforma ZAV è stata condivisa con successo.");
  ASSERT_TRUE(WaitUntil([&] { return wizard().log().Has("[  INFO] Deleted lock file"); }));
  wizard().Press(PSBTN_FINISH);
  Expect("Importante", "Per accedere alla Piattaforma ZAV 2021");
  EXPECT_EQ(wizard().WaitForExit(), 0u);

  EXPECT_EQ(ReadTextFile(root + "ZAV2021\\HOME\\ETC\\INSTALLA.MOD"), mod);
  std::vector<WorkpointInfo> rows;
  ASSERT_EQ(ParseSharedInfo(root + "ZAV_Shared\\SharedInfo", 2021, &rows), 0);
  ASSERT_GE(rows.size(), 2u);
  EXPECT_EQ(rows[0].pdl, "2");  // this user's, listed first
  EXPECT_EQ(rows[0].anno, 2021);
  EXPECT_EQ(rows[0].path, root);
  const std::vector<std::string> expected = {
      "[  INFO] Created other user on same year and/or current user on previous year",
      "[  INFO] User choose to create a network share for path F:\\ZAV\\PM00123\\",
      "[* WARN] Sharing failed due to privilege error, check alternarives",
      "[  INFO] executable -> " + UnixToWindowsPath(ZAV_FAKE_SHARE_SETUP),
      "[  INFO] params -> /NODISCOVERY /SKIPUPDATE /SHARE=00123;F:\\ZAV\\PM00123\\",
      "[  INFO] Setup with admin privileges started successfully",
      "[  INFO] Net share created successfully",
      "[  INFO] Deleted lock file",
  };
  const std::vector<std::string> messages = wizard().log().Messages();
  int at = 0;
  for (const std::string& line : expected) {
    const int found = FindMessage(messages, line, at);
    EXPECT_GE(found, 0) << "missing or out of order: " << line;
    if (found >= 0) at = found + 1;
  }
  EXPECT_EQ(
      FindMessage(messages, "[  INFO] Written -> " + root + "ZAV2021\\HOME\\ETC\\INSTALLA.MOD"),
      -1);
}

// "/UP" with an office installed for 2020 chosen in the list: a peripheral unit of that
// office, which gets no INSTALLA.MOD and has its unit configuration moved (the sample runtime
// carries none, so the move says it wrote nothing); then a restore whose first request fails
// once (Retry goes on): the restore's end page rewrites the shortcut and asks nothing.
TEST_F(InstallE2E, EarlierYearChosenWithUpThenARestoreThatRetries) {
  const std::string root = "F:\\ZAV\\PM00123\\";
  const std::string year = root + "ZAV2021\\";
  RegisterWorkpoint("F:\\ZAV\\PM00123", "00123", "SEGRETO", root, "2020");
  MakeInstallaMod(root + "ZAV2020", std::string("00123SEGRETO\0", 13));
  MakeFile(root + "ZAV2020\\home\\BIN\\wrun32.exe", "MZ");
  DeleteLog();
  ASSERT_TRUE(wizard().Start("/NODISCOVERY /UP"));
  HWND start = wizard().WaitForPage("WIZ_START");
  ASSERT_TRUE(start && wizard().Check(start, IDC_OPTION_INSTALL));
  wizard().Press(PSBTN_NEXT);
  Expect("Attenzione", "Confermi l'installazione dell'unità periferica?", IDYES);
  HWND list = wizard().WaitForPage("WIZ_PMSELECT");
  ASSERT_TRUE(list);
  PostMessageA(GetDlgItem(list, IDC_OFFICE_LIST), LB_SETCURSEL, 0, 0);
  ASSERT_TRUE(NextTo("WIZ_BEFOREINSTALL"));
  wizard().Press(PSBTN_NEXT);
  ASSERT_TRUE(WaitUntil([&] { return wizard().log().Has("[  INFO] Sheet active -> WIZ_END"); }));
  Expect("Condivisione", "Se desideri utilizzare la Piattaforma ZAV", IDNO);
  ASSERT_TRUE(WaitUntil([&] { return wizard().log().Has("[  INFO] Deleted lock file"); }));
  wizard().Press(PSBTN_FINISH);
  Expect("Importante", "Per accedere alla Piattaforma ZAV 2021");
  EXPECT_EQ(wizard().WaitForExit(), 0u);
  EXPECT_FALSE(FileExists(year + "HOME\\ETC\\INSTALLA.MOD"));
  EXPECT_TRUE(
      wizard().log().Has("[**  ERR] Not written -> " + year + "HOME\\ETC\\installa.up -> 2"));

  // The restore: the shortcut is rewritten even though it exists.
  const std::string link = desktop_.Sub("Rivaduz ZAV.lnk");
  ASSERT_TRUE(WriteTextFile(link, "not a link"));
  UseServer("flaky");
  driver_ = std::make_unique<WizardDriver>();
  DeleteLog();
  ASSERT_TRUE(wizard().Start("/NODISCOVERY"));
  start = wizard().WaitForPage("WIZ_START");
  ASSERT_TRUE(start && wizard().Check(start, IDC_OPTION_RESTORE));
  wizard().Press(PSBTN_NEXT);
  Expect("Attenzione", "Si sono verificati dei problemi di connessione", IDRETRY);
  ASSERT_TRUE(WaitUntil([&] { return wizard().log().Has("[  INFO] Deleted lock file"); }));
  HWND end = CurrentPage(wizard().sheet());
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(end, IDC_END_TITLE_RESTORE)));
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(end, IDC_END_TEXT_RESTORE)));
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(end, IDC_END_TITLE_INSTALL)));
  wizard().Screenshot("wiz_end_restore");
  wizard().Press(PSBTN_FINISH);  // nothing was copied: no message
  EXPECT_EQ(wizard().WaitForExit(), 0u);
  EXPECT_EQ(LinkTarget(link), "C:\\ZAV\\QEL\\BIN\\qel.exe");
  EXPECT_EQ(
      FindMessage(wizard().log().Messages(),
                  "[  INFO] Destination unit is F:\\ and is not remote, so look if can be shared"),
      -1);
}

// The folder of another office is refused on the destination page; the same office on the
// network drive then installs without a share question.
TEST_F(InstallE2E, AnotherOfficesFolderRefusedThenAnOfficeOnTheNetworkDrive) {
  RegisterWorkpoint("F:\\ZAV\\PM00123", "00777", "ALTRA", "F:\\ZAV\\PM00123\\", "2021",
                    "ALTROPC\\utente");
  MakeInstallaMod("F:\\ZAV\\PM00123\\ZAV2021", std::string("00777ALTRA\0\0\0", 13));
  MakeFile("F:\\ZAV\\PM00123\\ZAV2021\\home\\BIN\\wrun32.exe", "MZ");
  driver_ = std::make_unique<WizardDriver>();
  DeleteLog();
  ASSERT_TRUE(wizard().Start("/NODISCOVERY"));
  HWND start = wizard().WaitForPage("WIZ_START");
  ASSERT_TRUE(start && wizard().Check(start, IDC_OPTION_INSTALL));
  HWND list = NextTo("WIZ_PMSELECT");
  ASSERT_TRUE(list && PressButtonById(list, IDC_NEW_OFFICE));
  HWND pmnew = wizard().WaitForPage("WIZ_PMNEW");
  ASSERT_TRUE(pmnew && wizard().Type(pmnew, IDC_OFFICE_CODE, "123", "123") &&
              wizard().Type(pmnew, IDC_OFFICE_PASSWORD, "segreto", "SEGRETO"));
  HWND unit = NextTo("WIZ_SELECTUNIT");
  ASSERT_TRUE(unit && ChooseDrive(unit, "F"));
  wizard().Press(PSBTN_NEXT);
  Expect("Attenzione",
         "ATTENZIONE!!\n\nE' stata rilevata una incongruenza tra il codice ufficio e la cartella "
         "di installazione indicati.");
  EXPECT_TRUE(wizard().log().Has("[* WARN] Uacode existant in path -> 00777"));
  ASSERT_TRUE(ChooseDrive(unit, "N (rete)"));
  ASSERT_TRUE(NextTo("WIZ_BEFOREINSTALL"));
  EXPECT_TRUE(wizard().log().Has("[  INFO] Network installation detected"));
  wizard().Press(PSBTN_NEXT);
  ASSERT_TRUE(WaitUntil([&] { return wizard().log().Has("[  INFO] Deleted lock file"); }));
  wizard().Press(PSBTN_FINISH);
  Expect("Importante", "Per accedere alla Piattaforma ZAV 2021");
  EXPECT_EQ(wizard().WaitForExit(), 0u);
  EXPECT_TRUE(wizard().log().Has(
      "[  INFO] Destination unit is N:\\ and is remote, so don't ask for share it"));
  EXPECT_EQ(ReadTextFile("N:\\ZAV\\PM00123\\ZAV2021\\HOME\\ETC\\INSTALLA.MOD"),
            "00123SEGRETO\r\r\nN:\\ZAV\\PM00123\\ZAV2021");
}

// Too little space (the free amounts come from the fake service of the test build): exactly
// 225,000,000 bytes on the Windows drive refuse a new office on F:, and so do 525,000,000 on
// F: itself; the page stays and nothing is downloaded.
TEST_F(InstallE2E, TooLittleSpaceStaysOnThePreInstallPage) {
  SetEnvironmentVariableA("ZAV_FAKE_FREE_BYTES", "C:\\=225000000;F:\\=525000001");
  driver_ = std::make_unique<WizardDriver>();
  DeleteLog();
  const bool started =
      wizard().Start("/NODISCOVERY /SKIPUPDATE", UnixToWindowsPath(ZAV_FAKE_SHARE_SETUP));
  SetEnvironmentVariableA("ZAV_FAKE_FREE_BYTES", nullptr);
  ASSERT_TRUE(started);
  HWND start = wizard().WaitForPage("WIZ_START");
  ASSERT_TRUE(start && wizard().Check(start, IDC_OPTION_INSTALL));
  HWND pmnew = NextTo("WIZ_PMNEW");
  ASSERT_TRUE(pmnew && wizard().Type(pmnew, IDC_OFFICE_CODE, "123", "123") &&
              wizard().Type(pmnew, IDC_OFFICE_PASSWORD, "segreto", "SEGRETO"));
  HWND unit = NextTo("WIZ_SELECTUNIT");
  ASSERT_TRUE(unit && ChooseDrive(unit, "F"));
  HWND before = NextTo("WIZ_BEFOREINSTALL");
  ASSERT_TRUE(before);
  wizard().Press(PSBTN_NEXT);
  Expect("Attenzione",
         "ATTENZIONE!!\n\nLo spazio sull'unità disco C:\\ non è sufficiente. Sono necessari almeno "
         "225 MB liberi.");
  EXPECT_TRUE(wizard().log().Has("[* WARN] Low disk space for QEL"));
  EXPECT_FALSE(wizard().log().Has("[* WARN] Low disk space for Moltra"));
  EXPECT_EQ(CurrentPage(wizard().sheet()), before);
  EXPECT_FALSE(wizard().log().Has("[  INFO] Sheet active -> WIZ_INSTALL"));
}

// An office whose stored password is empty (a damaged row) cannot register this workstation:
// the end page says so and the setup ends with 4, before any configuration file is written
// and with the lock left for the next attempt.
TEST_F(InstallE2E, AWorkstationThatCannotBeRegisteredEndsWithFour) {
  const std::string root = "F:\\ZAV\\PM00123\\";
  RegisterWorkpoint("F:\\ZAV\\PM00123", "00123", "SEGRETO", root, "2021", "ALTROPC\\utente");
  {
    SQLite::Database db(root + "ZAV_Shared\\SharedInfo", SQLite::OPEN_READWRITE);
    db.exec("UPDATE Workpoint SET pwd = X''");
  }
  const std::string mod = std::string("00123SEGRETO\0", 13);
  MakeInstallaMod(root + "ZAV2021", mod);
  MakeFile(root + "ZAV2021\\home\\BIN\\wrun32.exe", "MZ");
  driver_ = std::make_unique<WizardDriver>();
  DeleteLog();
  ASSERT_TRUE(wizard().Start("/NODISCOVERY"));
  HWND start = wizard().WaitForPage("WIZ_START");
  ASSERT_TRUE(start && wizard().Check(start, IDC_OPTION_ADD_PDL));
  HWND list = NextTo("WIZ_PMSELECT");
  ASSERT_TRUE(list);
  PostMessageA(GetDlgItem(list, IDC_OFFICE_LIST), LB_SETCURSEL, 0, 0);
  wizard().Press(PSBTN_NEXT);
  Expect("Attenzione", "La Piattaforma ZAV 2021 per l'Ufficio Autorizzato 00123", IDYES);
  ASSERT_TRUE(wizard().WaitForPage("WIZ_BEFOREINSTALL"));
  wizard().Press(PSBTN_NEXT);
  Expect("Errore",
         "Errore nella scrittura delle configurazioni sul disco. Verificare i privilegi di "
         "scrittura sulla cartella di destinazione.");
  EXPECT_EQ(wizard().WaitForExit(), 4u);
  EXPECT_TRUE(wizard().log().Has("[**  ERR] Unable to write on SharedInfo -> " + root +
                                 "ZAV_Shared\\SharedInfo"));
  EXPECT_FALSE(wizard().log().Has("[  INFO] Deleted lock file"));
  EXPECT_TRUE(FileExists(root + "ZAV_Shared\\LockFile"));
  EXPECT_EQ(ReadTextFile(root + "ZAV2021\\HOME\\ETC\\INSTALLA.MOD"), mod);
}

// A proxy that wants credentials: the system's credential dialog appears on the install page,
// and once it is answered the installation goes on to the end.
TEST_F(InstallE2E, ProxyCredentialsAskedOnTheInstallPage) {
  UseServer("auth");
  HWND unit = NewOfficeToUnitPage("/NODISCOVERY /SKIPUPDATE");
  ASSERT_TRUE(unit && ChooseDrive(unit, "F"));
  ASSERT_TRUE(NextTo("WIZ_BEFOREINSTALL"));
  wizard().Press(PSBTN_NEXT);
  HWND dialog = nullptr;
  ASSERT_TRUE(WaitUntil([&] {
    dialog = FindWindowA(nullptr, "Accesso alla rete");
    return dialog && IsWindowVisible(dialog) && IsWindowEnabled(dialog);
  }));
  // The user name is an edit inside a combo box; OK has no effect while it is empty.
  for (HWND user = FindChild(dialog, 101); user; user = GetWindow(user, GW_CHILD))
    SendMessageA(user, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("mario.rossi"));
  SendMessageA(FindChild(dialog, 102), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("segreto"));
  ASSERT_TRUE(PressAndWaitGone(dialog, IDOK, 60000));
  ASSERT_TRUE(WaitUntil([&] { return wizard().log().Has("[  INFO] Sheet active -> WIZ_END"); }));
  Expect("Condivisione", "Se desideri utilizzare la Piattaforma ZAV", IDNO);
  ASSERT_TRUE(WaitUntil([&] { return wizard().log().Has("[  INFO] Deleted lock file"); }));
  wizard().Press(PSBTN_FINISH);
  Expect("Importante", "Per accedere alla Piattaforma ZAV 2021");
  EXPECT_EQ(wizard().WaitForExit(), 0u);
  EXPECT_TRUE(FileExists("F:\\ZAV\\PM00123\\ZAV2021\\HOME\\BIN\\wrun32.exe"));
}

}  // namespace
