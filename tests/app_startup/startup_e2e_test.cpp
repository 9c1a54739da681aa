// The real ZAV2021.exe under Wine on a fixture machine: the log of a whole start-up, the
// wizard sheet and its clean-up, and the ends for an unsupported Windows or a failed survey.
#include <SQLiteCpp/Database.h>
#include <gtest/gtest.h>
#include <windows.h>
#include <prsht.h>

#include <memory>
#include <regex>

#include "log/setup_log.h"
#include "support/process.h"
#include "support/setup_runner.h"
#include "support/temp_folder.h"
#include "support/ui_driver.h"
#include "survey/survey_fixtures.h"
#include "sys/log_capture.h"
#include "sys/fs_utils.h"
#include "sys/identity.h"

namespace {

const DWORD kTimeout = 120000;
const char* const kFixtureDrives[] = {"E:", "F:", "N:"};

void EmptyFixtureDrives() {
  for (const char* drive : kFixtureDrives) RemoveFolderContents(drive);
}

std::string TempPath(const std::string& name) {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  return temp + name;
}

class StartupE2E : public testing::Test {
 protected:
  void SetUp() override {
    EmptyFixtureDrives();
    DeleteLog();
    log_ = std::make_unique<LogCapture>();  // the whole log of the run
  }
  void TearDown() override { EmptyFixtureDrives(); }

  std::unique_ptr<LogCapture> log_;
};

// A line of `expected` ending in "*" matches any line that begins with the text before it.
bool Matches(const std::string& pattern, const std::string& line) {
  if (!pattern.empty() && pattern.back() == '*')
    return line.compare(0, pattern.size() - 1, pattern, 0, pattern.size() - 1) == 0;
  return pattern == line;
}

// Sets the Windows version Wine reports to ZAV2021.exe; removed again at the end.
class WineVersionOverride {
 public:
  explicit WineVersionOverride(const char* version) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) == ERROR_SUCCESS) {
      RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                     static_cast<DWORD>(strlen(version) + 1));
      RegCloseKey(key);
    }
  }
  ~WineVersionOverride() { RegDeleteKeyA(HKEY_CURRENT_USER, kKey); }

 private:
  static constexpr const char* kKey = "Software\\Wine\\AppDefaults\\ZAV2021.exe";
};

}  // namespace

TEST_F(StartupE2E, WholeStartUpOnAFixtureMachineLogsTheSurveyAndOpensTheSheet) {
  // F:\ZAV\PM01234: an office folder with an orphan install and the office's SharedInfo,
  //   which registers the current user's workstation installed in N:\Studio.
  // N:\Studio: that install, and an identical copy of the SharedInfo.
  // E:\ZAV2021: an install at the drive root, known only by its uffaut.
  // F:\ZAV\QEL\bin: the client.
  const std::string me = GetCurrentAssignee();
  MakeOlinfFor("F:\\ZAV\\PM01234\\ZAV2021", "01234", "segreto");
  RegisterWorkpoint("F:\\ZAV\\PM01234", "00042", "pw42", "N:\\Studio\\");
  MakeInstallaMod("N:\\Studio\\ZAV2021", std::string("00042pw42\0\0\0\0", 13));
  MakeFile("N:\\Studio\\ZAV2021\\home\\BIN\\wrun32.exe", "MZ");
  MakeFile("N:\\Studio\\ZAV_Shared\\SharedInfo",
           ReadTextFile("F:\\ZAV\\PM01234\\ZAV_Shared\\SharedInfo"));
  MakeUffaut("E:\\ZAV2021", 777);
  MakeFile("F:\\ZAV\\QEL\\bin\\qel.exe", "MZ");
  ASSERT_TRUE(CreateDirectoryTree("F:\\ZAV\\QEL\\bin\\4.12.0.7"));
  // Archives of an earlier run: the update package is removed when the sheet closes.
  MakeFile(TempPath("ZAV2021.7z"), "7z");
  MakeFile(TempPath("moltra2021.7z"), "7z");

  ChildProcess setup;
  ASSERT_TRUE(setup.Start(SetupExePath(), "/NODISCOVERY /SKIPUPDATE"));
  // The orphans of this year make the start page ask about the invalid configuration;
  // accepted, the wizard moves on to the office list by itself.
  HWND question = WaitForMessageBox(setup.pid(), kTimeout);
  ASSERT_TRUE(question) << "the invalid-configuration question did not show";
  EXPECT_FALSE(FileExists(TempPath("moltra2021.7z")));  // removed by the constructor
  MakeFile(TempPath("qel.7z"), "downloaded while the wizard ran");
  MakeFile(TempPath("moltra2021.7z"), "downloaded while the wizard ran");
  ASSERT_TRUE(PressAndWaitGone(question, IDYES, kTimeout));
  ASSERT_TRUE(WaitForLogMessage("[  INFO] Sheet active -> WIZ_PMSELECT", kTimeout));
  ASSERT_EQ(CancelWizard(setup, kTimeout), 0u);
  EXPECT_FALSE(FileExists(TempPath("ZAV2021.7z")));
  EXPECT_FALSE(FileExists(TempPath("qel.7z")));
  EXPECT_FALSE(FileExists(TempPath("moltra2021.7z")));

  std::vector<std::string> roots, disks;
  char buffer[512] = {};
  GetLogicalDriveStringsA(sizeof(buffer), buffer);
  for (const char* r = buffer; *r; r += strlen(r) + 1) {
    roots.push_back(r);
    const UINT type = GetDriveTypeA(r);
    if (type >= DRIVE_REMOVABLE && type <= DRIVE_REMOTE) disks.push_back(r);
  }
  ASSERT_EQ(disks, (std::vector<std::string>{"C:\\", "E:\\", "F:\\", "N:\\", "Z:\\"}));

  std::vector<std::string> expected = {"[  INFO] Start application",
                                       "[  INFO] Processor name -> *",
                                       "[  INFO] Processor speed -> *",
                                       "[  INFO] Supported OS detected -> Microsoft Windows *",
                                       "[  INFO] Current installed version -> *",
                                       "[  INFO] Current assignee -> " + me,
                                       "[  INFO] Getting info about install",
                                       "[  INFO] Getting disk list"};
  for (const std::string& root : roots)
    expected.push_back("[  INFO] Getting valid disk -> " + root);
  const std::string office_db = "F:\\ZAV\\PM01234\\ZAV_Shared\\SharedInfo";
  const std::vector<std::string> survey = {
      "[  INFO] Looking for QEL",
      "[  INFO] Qel version dir found -> 4.12.0.7",
      "[  INFO] Looking for Moltra in ZAV/PM<ccccc>",
      "[  INFO] Looking for Moltra -> C:\\ZAV",
      "[  INFO] Looking for Moltra -> E:\\ZAV",
      "[  INFO] Looking for Moltra -> F:\\ZAV",
      "[  INFO] Looking for Moltra -> F:\\ZAV\\PM01234",
      "[  INFO] Looking for Sharedinfo -> " + office_db,
      "[  INFO] Sharedinfo found -> " + office_db,
      "[  INFO] Sharedinfo item count -> 1",
      "[  INFO] Looking for Moltra -> N:\\ZAV",
      "[  INFO] Looking for Moltra -> Z:\\ZAV",
      "[  INFO] Looking for Moltra in ZAV<aaaa> in 2nd level",
      "[  INFO] Looking for Moltra -> C:\\*.*",
      "[  INFO] Looking for Moltra -> E:\\*.*",
      "[  INFO] Checking folder -> E:\\ZAV2021",
      "[  INFO] Looking for Sharedinfo -> E:\\ZAV2021\\ZAV_Shared\\SharedInfo",
      "[  INFO] Looking for Moltra -> E:\\ZAV2021\\ZAV2021",
      "[  INFO] Looking for Moltra -> F:\\*.*",
      "[  INFO] Checking folder -> F:\\ZAV",
      "[  INFO] Looking for Sharedinfo -> F:\\ZAV\\ZAV_Shared\\SharedInfo",
      "[  INFO] Looking for Moltra -> F:\\ZAV\\ZAV2021",
      "[  INFO] Looking for Moltra -> N:\\*.*",
      "[  INFO] Checking folder -> N:\\Studio",
      "[  INFO] Looking for Sharedinfo -> N:\\Studio\\ZAV_Shared\\SharedInfo",
      "[  INFO] Sharedinfo found -> N:\\Studio\\ZAV_Shared\\SharedInfo",
      "[  INFO] Duplicated Sharedinfo -> N:\\Studio\\ZAV_Shared\\SharedInfo",
      "[  INFO] Looking for Moltra -> N:\\Studio\\ZAV2021",
      "[  INFO] Looking for Moltra -> Z:\\*.*",
      "[  INFO] Looking for Moltra in ZAV<aaaa - 1>",
      "[  INFO] Looking for Sharedinfo -> C:\\ZAV_Shared\\SharedInfo",
      "[  INFO] Looking for Moltra -> C:\\ZAV2021",
      "[  INFO] Looking for Moltra -> C:\\ZAV2021\\\\",
      "[  INFO] Looking for Sharedinfo -> E:\\ZAV_Shared\\SharedInfo",
      "[  INFO] Looking for Moltra -> E:\\ZAV2021",
      "[  INFO] Looking for Moltra -> E:\\ZAV2021\\ZAV2021\\",
      "[  INFO] Looking for Sharedinfo -> F:\\ZAV_Shared\\SharedInfo",
      "[  INFO] Looking for Moltra -> F:\\ZAV2021",
      "[  INFO] Looking for Moltra -> F:\\ZAV2021\\\\",
      "[  INFO] Looking for Sharedinfo -> N:\\ZAV_Shared\\SharedInfo",
      "[  INFO] Looking for Moltra -> N:\\ZAV2021",
      "[  INFO] Looking for Moltra -> N:\\ZAV2021\\\\",
      "[  INFO] Looking for Sharedinfo -> Z:\\ZAV_Shared\\SharedInfo",
      "[  INFO] Looking for Moltra -> Z:\\ZAV2021",
      "[  INFO] Looking for Moltra -> Z:\\ZAV2021\\\\",
      "[  INFO] PM 00042-1 (2021) " + me + " -> N:\\Studio\\ZAV2021 -> " + office_db +
          " (CURRENT USER)",
      "[  INFO] Platform detection completed successfully -> 1 found",
      "[* WARN] Orphan installation detected -> 2",
      "[* WARN] Orphan PM -> 01234 path -> F:\\ZAV\\PM01234\\ZAV2021",
      "[* WARN] Orphan PM -> 00777 path -> E:\\ZAV2021",
      "[  INFO] Command line provided -> /NODISCOVERY /SKIPUPDATE",
      "[  INFO] Network discovery not started due to switch on commandline",
      "[  INFO] Sheet active -> WIZ_START",
      "[* WARN] Invalid install detected for current year",
      "[* WARN] Proceed with wrong config installation",
      "[  INFO] Sheet active -> WIZ_PMSELECT"};
  expected.insert(expected.end(), survey.begin(), survey.end());

  // The folders at the roots of C: and Z: belong to the machine, not to the fixture: their
  // lines of the first-level search are left out of the comparison.
  std::vector<std::string> actual;
  for (const std::string& line : log_->Messages()) {
    if (line == "[  INFO] Skipping, not valid folder") continue;
    const bool machine_folder = std::regex_search(line, std::regex(R"(-> [CZ]:\\[^\\*]+(\\|$))")) &&
                                std::find(expected.begin(), expected.end(), line) == expected.end();
    if (!machine_folder) actual.push_back(line);
  }
  ASSERT_EQ(actual.size(), expected.size()) << testing::PrintToString(actual);
  for (size_t i = 0; i < expected.size(); ++i)
    EXPECT_TRUE(Matches(expected[i], actual[i])) << i << ": " << actual[i];
  EXPECT_TRUE(std::regex_match(actual[4], std::regex(R"(.* -> \d+\.\d+\.\d+\.\d+)"))) << actual[4];
}

// Anyone who can write to an office share can leave a SharedInfo whose table is an endless
// view, and an interrupted copy leaves one cut short: the survey passes over both, names
// them in the log, and the wizard opens.
TEST_F(StartupE2E, HostileAndDamagedSharedInfosOnTheDrivesStillLetTheWizardOpen) {
  RegisterWorkpoint("E:", "00042", "pw42", "E:\\Studio\\");
  {
    SQLite::Database db(SharedInfoPath("E:"), SQLite::OPEN_READWRITE);
    db.exec(
        "DROP TABLE Workpoint; CREATE VIEW Workpoint AS WITH RECURSIVE n(i) AS (SELECT 1 "
        "UNION ALL SELECT i + 1 FROM n) SELECT i AS idWorkpoint, '00042' AS pm, 'pw' AS pwd, "
        "i AS pdl, 'x' AS assignee, 'E:\\' AS path, 0 AS creationtime FROM n;");
  }
  RegisterWorkpoint("F:", "00043", "pw43", "F:\\Studio\\");
  const std::string whole = ReadTextFile(SharedInfoPath("F:"));
  MakeFile(SharedInfoPath("F:"), whole.substr(0, whole.size() - 100));

  ChildProcess setup;
  ASSERT_TRUE(setup.Start(SetupExePath(), "/NODISCOVERY /SKIPUPDATE"));
  ASSERT_EQ(CancelWizard(setup, kTimeout), 0u);
  const auto messages = log_->Messages();
  for (const char* line :
       {"[**  ERR] SharedInfo not used, view Workpoint is not a plain table -> "
        "E:\\ZAV_Shared\\SharedInfo",
        "[* WARN] Sqlite exception view Workpoint is not a plain table in ParseSharedInfo",
        "[* WARN] Sqlite exception database disk image is malformed in ParseSharedInfo",
        "[  INFO] Platform detection completed successfully -> 0 found"}) {
    EXPECT_GE(FindMessage(messages, line), 0) << line;
  }
  bool damaged_named = false;
  for (const std::string& line : messages)
    damaged_named |=
        line.rfind("[**  ERR] SharedInfo damaged, not used -> F:\\ZAV_Shared\\SharedInfo", 0) == 0;
  EXPECT_TRUE(damaged_named) << testing::PrintToString(messages);
}

TEST_F(StartupE2E, VistaIsRefusedWithExitCodeMinusOne) {
  WineVersionOverride vista("vista");
  const SetupRun run = RunSetup("/NODISCOVERY /SKIPUPDATE", true, kTimeout);
  ASSERT_TRUE(run.had_box);
  EXPECT_EQ(run.caption, "Errore");
  EXPECT_EQ(run.text,
            "Sistema operativo non supportato.\n\nE' possibile utilizzare il software solo su "
            "Windows 7, 8, 8.1 e 10");
  ASSERT_TRUE(run.ended);
  EXPECT_EQ(run.exit_code, 0xFFFFFFFFu);
  const auto messages = log_->Messages();
  ASSERT_GE(messages.size(), 4u);
  EXPECT_TRUE(
      Matches("[**  ERR] Unsupported OS detected -> Microsoft Windows Vista *", messages[3]))
      << messages[3];
  EXPECT_EQ(FindMessage(messages, "[  INFO] Getting disk list"), -1);
}

TEST_F(StartupE2E, Windows7AndWindows8AreAcceptedAndTheSheetOpens) {
  // 6.1 is the oldest accepted version; 6.2 is also what later systems answer for
  // compatibility.
  // (Wine answers its "win7" with the server product type: the name is left open, the
  // build number tells the version.)
  const struct {
    const char* wine_name;
    const char* shown;
  } versions[] = {{"win7", R"(Microsoft Windows .* \(build 7601\).*)"},
                  {"win8", R"(Microsoft Windows 8 .*)"}};
  for (const auto& version : versions) {
    SCOPED_TRACE(version.wine_name);
    DeleteLog();
    log_ = std::make_unique<LogCapture>();
    WineVersionOverride override_version(version.wine_name);
    ChildProcess setup;
    ASSERT_TRUE(setup.Start(SetupExePath(), "/NODISCOVERY /SKIPUPDATE"));
    ASSERT_EQ(CancelWizard(setup, kTimeout), 0u);
    const auto messages = log_->Messages();
    ASSERT_GE(messages.size(), 4u);
    EXPECT_TRUE(std::regex_match(
        messages[3],
        std::regex(std::string(R"(\[  INFO\] Supported OS detected -> )") + version.shown)))
        << messages[3];
  }
}

TEST_F(StartupE2E, AFailedSurveyEndsWithItsBoxAndMinusOne) {
  MakeOlinf("F:\\ZAV\\PM01234\\ZAV2021", EncodeProt("012"));
  const SetupRun run = RunSetup("/NODISCOVERY /SKIPUPDATE", true, kTimeout);
  ASSERT_TRUE(run.had_box);
  EXPECT_EQ(run.caption, "Errore");
  EXPECT_EQ(run.text, "Errore nella rilevazione delle precedenti installazioni.");
  ASSERT_TRUE(run.ended);
  EXPECT_EQ(run.exit_code, 0xFFFFFFFFu);
  const auto messages = log_->Messages();
  const int warn =
      FindMessage(messages, "[* WARN] Exception on CSetting::CheckForPreviousPlatform");
  ASSERT_GE(warn, 0);
  EXPECT_EQ(messages[warn + 1], "[**  ERR] Previous platform detect not completed successfully");
  EXPECT_EQ(messages.size(), static_cast<size_t>(warn + 2));
}
