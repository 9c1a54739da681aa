// The destination, pre-install and end pages' decisions without a window: the folder check,
// the free-space thresholds, the folders prepared, the registration, the configuration text
// and the share offer with each of its branches.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <iostream>
#include <map>

#include <SQLiteCpp/Database.h>

#include "sharedinfo/sharedinfo.h"
#include "support/temp_folder.h"
#include "sys/free_space_service.h"
#include "sys/log_capture.h"
#include "wizard/destination_rules.h"
#include "wizard/end_files.h"
#include "wizard/end_rules.h"
#include "wizard/end_work.h"
#include "wizard/install_cancel.h"

namespace {

struct Shown {
  MessageKind kind;
  std::string text;
  std::string caption;
};

class ScriptedPrompter : public Prompter {
 public:
  std::vector<bool> answers;  // Yes when it runs out
  std::vector<Shown> shown;
  std::function<void()> while_shown;  // what happens underneath the message
  bool Show(MessageKind kind, const std::string& text) override {
    return ShowCaptioned(kind, text, "Attenzione");
  }
  bool ShowCaptioned(MessageKind kind, const std::string& text,
                     const std::string& caption) override {
    shown.push_back({kind, text, caption});
    if (while_shown) while_shown();
    if (kind != MessageKind::kQuestion || answers.empty()) return kind == MessageKind::kQuestion;
    const bool answer = answers.front();
    answers.erase(answers.begin());
    return answer;
  }
  std::string Texts() const {
    std::string all;
    for (const Shown& s : shown) all += s.caption + ": " + s.text + "\n";
    return all;
  }
};

// Free bytes per drive root; a missing root cannot be queried.
class FakeFreeSpace : public FreeSpaceService {
 public:
  std::map<std::string, uint64_t> free;
  std::vector<std::string> asked;
  FakeFreeSpace() { SetFreeSpaceService(this); }
  ~FakeFreeSpace() override { SetFreeSpaceService(nullptr); }
  bool FreeBytes(const std::string& root, uint64_t* bytes, unsigned long* error) override {
    asked.push_back(root);
    const auto it = free.find(root);
    if (it == free.end()) {
      *error = 3;
      return false;
    }
    *bytes = it->second;
    return true;
  }
};

class FakeServices : public DestinationServices, public EndServices {
 public:
  std::vector<std::string> existing, not_writable, calls;
  bool network = false, registered = false, shared = false, office_share = false;
  int remove_result = 0, share_status = 50;
  bool share_ok = false, elevated_starts = true, exit_read = true;
  unsigned long exit_code = 0;

  bool IsNetworkDrive(const std::string& root) override { return network && root == "N:\\"; }
  bool DirectoryExists(const std::string& f) override {
    return std::find(existing.begin(), existing.end(), f) != existing.end();
  }
  bool CreateFolder(const std::string& f) override {
    calls.push_back("create " + f);
    return true;
  }
  void SecureFolder(const std::string& f, bool attributes) override {
    calls.push_back((attributes ? "secure " : "permissions ") + f);
  }
  bool CanWrite(const std::string& f) override {
    return std::find(not_writable.begin(), not_writable.end(), f) == not_writable.end();
  }
  bool IsRegistered(const std::string& db, const std::string& pm, int year) override {
    calls.push_back("registered? " + db + " " + pm + " " + std::to_string(year));
    return registered;
  }
  int RemoveWorkpoint(const std::string& db, const std::string& pm, const std::string& y) override {
    calls.push_back("remove " + db + " " + pm + " " + y);
    return remove_result;
  }
  bool IsDestinationShared(const std::string&) override { return shared; }
  bool OfficeShareExists(const std::string&) override { return office_share; }
  bool CreateOfficeShare(const std::string& pm, const std::string& folder, int& status) override {
    calls.push_back("share " + pm + " " + folder);
    status = share_status;
    return share_ok;
  }
  std::string OwnCommandLine() override { return "\"C:\\Setup\\ZAV2021.exe\"  /NODISCOVERY"; }
  bool RunElevated(const std::string& program, const std::string& parameters, unsigned long& error,
                   bool& read, unsigned long& code) override {
    calls.push_back("elevated " + program + "|" + parameters);
    error = 1223;
    read = exit_read;
    code = exit_code;
    return elevated_starts;
  }
  bool IsMoltraRunning() override { return false; }
  bool CloseQel() override { return false; }
  void PrepareSharedFolder(const std::string& f) override { calls.push_back("shared " + f); }
  bool WriteConfigurationFile(const std::string& path, const std::string& bytes) override {
    calls.push_back("write " + path + " " + bytes);
    return true;
  }
  void MoveUnitConfiguration(const std::string& year_path) override {
    calls.push_back("unit " + year_path);
  }
  void CreateDesktopShortcut(const std::string& name, bool) override {
    calls.push_back("shortcut " + name);
  }
  void WriteCompatibilityValues(const std::string&) override {}
  void RemoveInstallLock(const std::string& root) override { calls.push_back("unlock " + root); }
};

std::unique_ptr<InstallRecord> Record(const std::string& pm, const std::string& root) {
  auto r = std::make_unique<InstallRecord>();
  r->pm = pm;
  r->year = "2021";
  r->setup_path = root;
  r->zav_path = root + "ZAV2021";
  return r;
}

CSetting Setting(const std::string& root = "D:\\ZAV\\PM00123\\") {
  CSetting s;
  s.current_year = "2021";
  s.year_folder = "ZAV2021";
  s.default_drive = "C:";
  s.office_code = "00123";
  s.office_password = "SEGRETO";
  s.office_root = root;
  return s;
}

const MachineFolders kMachine = {"C:\\Windows", "C:\\ZAV\\QEL\\", "C:\\ZAV\\QEL\\BIN\\"};

TEST(InstallRules, DriveListAndProposedFolder) {
  EXPECT_EQ(DriveListLine("d:\\", false), "D");
  EXPECT_EQ(DriveListLine("N:\\", true), "N (rete)");
  EXPECT_TRUE(IsDefaultDriveLine("C", "C:"));
  EXPECT_FALSE(IsDefaultDriveLine("C (rete)", "C:"));  // a network drive is never preselected
  EXPECT_EQ(ProposedFolder(Setting()), "C:\\ZAV\\PM00123");
  EXPECT_EQ(DriveRootOf("D:\\ZAV\\PM00123\\"), "D:\\");
  EXPECT_EQ(DriveRootOf("C:\\ZAV"), "C:\\");
}

TEST(InstallRules, CheckDestinationRefusesAnotherOfficesFolderAndASecondFolder) {
  const std::string two_installs =
      "ATTENZIONE!\n\nSono state individuate più installazioni del Codice Ufficio 00123.\n\nPer "
      "continuare l'installazione è necessario contattare l'assistenza ZAV (Tel. " ZAV_SUPPORT_PHONE
      ").";
  const struct {
    const char* line;
    const char* other_pm;
    const char* other_root;
    bool network;
    bool pass;
    const char* message;
    const char* log;
  } rows[] = {
      {"D", "00777", "d:\\zav\\pm00123", false, false,
       "ATTENZIONE!!\n\nE' stata rilevata una incongruenza tra il codice ufficio e la cartella di "
       "installazione indicati.",
       "[* WARN] Already existant path -> d:\\zav\\pm00123\\"},
      {"D", "00123", "F:\\ZAV\\PM00123\\", false, false, two_installs.c_str(),
       "[* WARN] Uacode already existant in path -> 00123"},
      {"F", "00123", "D:\\ZAV\\PM00123\\", false, false, two_installs.c_str(),
       "[* WARN] Current uacode -> 00123"},
      {"D", "00123", "D:\\ZAV\\PM00123", false, true, "", "[  INFO] Local installation detected"},
      {"N (rete)", "00777", "D:\\ZAV\\PM00777\\", true, true, "",
       "[  INFO] Network installation detected"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.line + std::string(" ") + row.other_root);
    CSetting s = Setting("");
    s.installs.push_back(Record(row.other_pm, row.other_root));
    ScriptedPrompter prompter;
    FakeServices services;
    services.network = row.network;
    LogCapture log;
    EXPECT_EQ(SelectUnitNext(row.line, s, prompter, services), row.pass);
    EXPECT_TRUE(log.Has(row.log));
    if (row.pass) {
      EXPECT_EQ(s.office_root, row.line[0] + std::string(":\\ZAV\\PM00123\\"));
      EXPECT_EQ(s.base_path, row.line[0] + std::string(":\\ZAV"));
      EXPECT_TRUE(prompter.shown.empty());
    } else {
      ASSERT_EQ(prompter.shown.size(), 1u);
      EXPECT_EQ(prompter.shown[0].text, row.message);
      EXPECT_EQ(prompter.shown[0].kind, MessageKind::kError);
    }
  }
}

TEST(InstallRules, DiskSpaceThresholds) {
  const uint64_t kMb = 1000000;
  const struct {
    const char* root;
    const char* selected_year;
    uint64_t c_free, d_free;
    bool pass;
    const char* message;  // the MB figure or the drive named
    std::vector<std::string> asked;
  } rows[] = {
      {"C:\\ZAV\\PM00123\\", "", 750 * kMb + 1, 0, true, "", {"C:\\"}},
      {"C:\\ZAV\\PM00123\\", "", 750 * kMb, 0, false, "almeno 750 MB", {"C:\\"}},
      {"D:\\ZAV\\PM00123\\", "", 225 * kMb + 1, 525 * kMb + 1, true, "", {"D:\\", "C:\\"}},
      {"D:\\ZAV\\PM00123\\",
       "",
       225 * kMb,
       525 * kMb + 1,
       false,
       "disco C:\\ non",
       {"D:\\", "C:\\"}},
      {"D:\\ZAV\\PM00123\\",
       "",
       225 * kMb + 1,
       525 * kMb,
       false,
       "almeno 525 MB",
       {"D:\\", "C:\\"}},
      {"D:\\ZAV\\PM00123\\", "", 0, 0, false, "almeno 525 MB", {"D:\\", "C:\\"}},
      {"D:\\ZAV\\PM00123\\", "2021", 225 * kMb + 1, 0, true, "", {"C:\\"}},  // no platform check
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.root) + " " + std::to_string(row.c_free) + " " +
                 std::to_string(row.d_free));
    FakeFreeSpace space;
    space.free = {{"C:\\", row.c_free}, {"D:\\", row.d_free}};
    if (row.d_free == 0) space.free.erase("D:\\");
    CSetting s = Setting(row.root);
    s.selected_year = row.selected_year;
    ScriptedPrompter prompter;
    EXPECT_EQ(CheckDiskSpace(s, kMachine, prompter), row.pass);
    EXPECT_EQ(space.asked, row.asked);
    if (!row.pass) {
      ASSERT_EQ(prompter.shown.size(), 1u);
      EXPECT_NE(prompter.shown[0].text.find(row.message), std::string::npos) << prompter.Texts();
    }
  }
}

TEST(InstallRules, BeforeInstallPreparesEveryFolderAndStopsAtTheFirstRefusal) {
  FakeFreeSpace space;
  space.free = {{"C:\\", 1000000000}, {"D:\\", 1000000000}};
  {
    CSetting s = Setting();
    ScriptedPrompter prompter;
    FakeServices services;
    LogCapture log;
    EXPECT_TRUE(BeforeInstallNext(s, kMachine, prompter, services));
    EXPECT_EQ(services.calls,
              (std::vector<std::string>{
                  "create D:\\ZAV\\PM00123\\", "secure D:\\ZAV\\PM00123\\",
                  "create D:\\ZAV\\PM00123\\ZAV2021\\", "secure D:\\ZAV\\PM00123\\ZAV2021\\",
                  "create C:\\ZAV\\QEL\\BIN\\", "permissions C:\\ZAV\\QEL\\",
                  "create D:\\ZAV\\PM00123\\ZAV_Shared\\", "secure D:\\ZAV\\PM00123\\ZAV_Shared\\",
                  "registered? D:\\ZAV\\PM00123\\ZAV_Shared\\SharedInfo 00123 2021"}));
    EXPECT_EQ(
        log.MessagesWith("confirmed"),
        (std::vector<std::string>{"[  INFO] Moltra install path confirmed -> D:\\ZAV\\PM00123\\",
                                  "[  INFO] QEL install path confirmed -> C:\\ZAV\\QEL\\BIN\\"}));
  }
  const struct {
    const char* not_writable;
    const char* message;
    const char* log;
  } refusals[] = {
      {"D:\\ZAV\\PM00123\\",
       "Non si dispone dei privilegi di scrittura sulla cartella di destinazione "
       "D:\\ZAV\\PM00123\\. Controllare le impostazioni e riprovare.",
       "[* WARN] Not enough privileges for Moltra -> D:\\ZAV\\PM00123\\"},
      {"C:\\ZAV\\QEL\\",
       "L'installazione della Piattaforma ZAV richiede i privilegi di scrittura sulla cartella "
       "C:\\ZAV. Controllare le impostazioni e riprovare.",
       "[* WARN] Not enough privileges for QEL -> C:\\ZAV\\QEL\\"},
      {"D:\\ZAV\\PM00123\\ZAV_Shared\\",
       "Non si dispone dei privilegi di scrittura sulla cartella di destinazione "
       "D:\\ZAV\\PM00123\\. Controllare le impostazioni e riprovare.",
       "[* WARN] Not enough privileges for SharedInfo folder -> D:\\ZAV\\PM00123\\ZAV_Shared\\"},
  };
  for (const auto& row : refusals) {
    SCOPED_TRACE(row.not_writable);
    CSetting s = Setting();
    ScriptedPrompter prompter;
    FakeServices services;
    services.not_writable = {row.not_writable};
    LogCapture log;
    EXPECT_FALSE(BeforeInstallNext(s, kMachine, prompter, services));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, row.message);
    EXPECT_EQ(prompter.shown[0].kind, MessageKind::kWarning);
    EXPECT_TRUE(log.Has(row.log));
  }
  // An existing office folder is not tested for writing.
  CSetting s = Setting();
  ScriptedPrompter prompter;
  FakeServices services;
  services.existing = {"D:\\ZAV\\PM00123\\"};
  services.not_writable = {"D:\\ZAV\\PM00123\\"};
  EXPECT_TRUE(BeforeInstallNext(s, kMachine, prompter, services));
}

TEST(InstallRules, InvalidEarlierRegistrationIsRemovedAndAFailedRemovalGoesOn) {
  FakeFreeSpace space;
  space.free = {{"C:\\", 1000000000}, {"D:\\", 1000000000}};
  for (int result : {0, 1}) {
    for (bool valid : {false, true}) {
      CSetting s = Setting();
      s.selected_year = "2020";
      s.selected_valid = valid;
      ScriptedPrompter prompter;
      FakeServices services;
      services.registered = true;
      services.remove_result = result;
      LogCapture log;
      EXPECT_TRUE(BeforeInstallNext(s, kMachine, prompter, services));
      const bool removed = services.calls.back().rfind("remove ", 0) == 0;
      EXPECT_EQ(removed, !valid);
      if (valid) continue;
      EXPECT_EQ(services.calls.back(),
                "remove D:\\ZAV\\PM00123\\ZAV_Shared\\SharedInfo 00123 2020");
      EXPECT_EQ(log.Has("[  INFO] Existant pdl has been deleted. Proceed with installation."),
                result == 0);
      EXPECT_EQ(log.Has("[**  ERR] Existant pdl hasn't been deleted -> 1"), result == 1);
      EXPECT_EQ(prompter.shown.size(), result == 0 ? 0u : 1u);
    }
  }
}

TEST(InstallRules, EndPageTexts) {
  for (const char* root : {"D:\\", "D:", "d:\\"}) EXPECT_TRUE(IsDriveRoot(root)) << root;
  for (const char* other : {"", "D:\\ZAV\\", "\\\\SRV\\ZAV\\", "D"})
    EXPECT_FALSE(IsDriveRoot(other)) << other;
  EXPECT_EQ(YearFolderPath("D:\\ZAV\\PM00123\\ZAV2021\\"), "D:\\ZAV\\PM00123\\ZAV2021");
  EXPECT_EQ(YearFolderPath("D:\\X"), "D:\\X");
  EXPECT_EQ(InstallaModBytes("123", "SEGRETO", "D:\\ZAV\\PM00123\\ZAV2021"),
            "00123SEGRETO\r\r\nD:\\ZAV\\PM00123\\ZAV2021");
  const struct {
    const char *raw, *program, *parameters;
  } lines[] = {
      {"\"C:\\Setup\\ZAV2021.exe\"  /NODISCOVERY /UP", "C:\\Setup\\ZAV2021.exe",
       "/NODISCOVERY /UP"},
      {"C:\\ZAV2021.exe", "C:\\ZAV2021.exe", ""},
      {"\"C:\\A B\\ZAV2021.exe\" ", "C:\\A B\\ZAV2021.exe", ""},
  };
  for (const auto& line : lines) {
    std::string program, parameters;
    SplitOwnCommandLine(line.raw, program, parameters);
    EXPECT_EQ(program, line.program);
    EXPECT_EQ(parameters, line.parameters);
  }
  std::string out = "kept";
  EXPECT_TRUE(ReplacePercent("%\\HOME\\BIN", "D:\\ZAV\\PM00123\\ZAV2021", out));
  EXPECT_EQ(out, "D:\\ZAV\\PM00123\\ZAV2021\\HOME\\BIN");
  EXPECT_FALSE(ReplacePercent("HOME\\BIN", "D:\\X", out));
  EXPECT_FALSE(ReplacePercent("%\\BIN", std::string(300, 'x'), out));
  EXPECT_EQ(out, "D:\\ZAV\\PM00123\\ZAV2021\\HOME\\BIN");
}

TEST(InstallRules, ShareOfferBranches) {
  const std::string folder = "D:\\ZAV\\PM00123\\";
  const std::string failed = "Condivisione: La condivisione automatica della Cartella ZAV";
  const std::string done = "Condivisione: La Piattaforma ZAV è stata condivisa con successo.";
  const std::string question = "Condivisione: Se desideri utilizzare la Piattaforma ZAV";
  const struct {
    const char* name;
    std::function<void(FakeServices&, ScriptedPrompter&)> set;
    std::string root;
    std::vector<std::string> boxes;  // beginnings, in order
    const char* log;
  } rows[] = {
      {"network drive",
       [](FakeServices& f, ScriptedPrompter&) { f.network = true; },
       "N:\\ZAV\\PM00123\\",
       {},
       "[  INFO] Destination unit is N:\\ and is remote, so don't ask for share it"},
      {"drive root",
       nullptr,
       "D:\\",
       {},
       "[  INFO] Destination path is root, so no net share will be created -> D:\\"},
      {"already shared",
       [](FakeServices& f, ScriptedPrompter&) { f.shared = true; },
       folder,
       {},
       "[  INFO] Destination unit is D:\\ and is not remote, so look if can be shared"},
      {"office share",
       [](FakeServices& f, ScriptedPrompter&) { f.office_share = true; },
       folder,
       {},
       "[  INFO] There is already a network share for D:\\ZAV\\PM00123\\, going on"},
      {"declined",
       [](FakeServices&, ScriptedPrompter& p) { p.answers = {false}; },
       folder,
       {question},
       "[* WARN] User choose NOT to create a network share for path D:\\ZAV\\PM00123\\"},
      {"shared",
       [](FakeServices& f, ScriptedPrompter&) { f.share_ok = true; },
       folder,
       {question, done},
       "[  INFO] User choose to create a network share for path D:\\ZAV\\PM00123\\"},
      {"unsupported",
       nullptr,
       folder,
       {question, failed},
       "[* WARN] Sharing failed due to error -> 50"},
      {"elevated shares",
       [](FakeServices& f, ScriptedPrompter&) { f.share_status = 5; },
       folder,
       {question, done},
       "[  INFO] Net share created successfully"},
      {"elevation refused",
       [](FakeServices& f, ScriptedPrompter&) {
         f.share_status = 5;
         f.elevated_starts = false;
       },
       folder,
       {question, failed},
       "[* WARN] Unable to start setup as admin -> 1223"},
      {"elevated still running",
       [](FakeServices& f, ScriptedPrompter&) {
         f.share_status = 5;
         f.exit_code = 259;
       },
       folder,
       {question, failed},
       "[* WARN] Sharing failed due to error -> 259"},
      {"elevated code unreadable",
       [](FakeServices& f, ScriptedPrompter&) {
         f.share_status = 5;
         f.exit_read = false;
       },
       folder,
       {question, failed},
       "[* WARN] Error retrieving exit code"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    FakeServices services;
    ScriptedPrompter prompter;
    if (row.set) row.set(services, prompter);
    LogCapture log;
    OfferShare(row.root, "00123", prompter, services);
    ASSERT_EQ(prompter.shown.size(), row.boxes.size()) << prompter.Texts();
    for (size_t i = 0; i < row.boxes.size(); ++i)
      EXPECT_EQ((prompter.shown[i].caption + ": " + prompter.shown[i].text).rfind(row.boxes[i], 0),
                0u)
          << prompter.Texts();
    EXPECT_TRUE(log.Has(row.log));
  }
  FakeServices services;
  services.share_status = 5;
  ScriptedPrompter prompter;
  LogCapture log;
  OfferShare(folder, "00123", prompter, services);
  EXPECT_EQ(services.calls.back(),
            "elevated C:\\Setup\\ZAV2021.exe|/NODISCOVERY /SHARE=00123;D:\\ZAV\\PM00123\\");
  EXPECT_TRUE(log.Has("[  INFO] params -> /NODISCOVERY /SHARE=00123;D:\\ZAV\\PM00123\\"));
  EXPECT_NE(prompter.shown.back().text.find("https://" ZAV_WEB_HOST "/piattaforma.\nUna volta"),
            std::string::npos);
}

TEST(InstallRules, RegistrationOfTheWorkstation) {
  TempFolder temp;
  const std::string database = temp.Sub("SharedInfo");
  CSetting s = Setting(temp.path() + "\\");
  ScriptedPrompter prompter;
  bool copied = true;
  EXPECT_EQ(RegisterWorkstation(database, s, prompter, copied), Registration::kDone);
  EXPECT_TRUE(copied);  // the new workstation is copied into the earlier years
  bool exists = false;
  ASSERT_EQ(ExistValidInstall(database, "00123", 2021, &exists), 0);
  EXPECT_TRUE(exists);
  // Registered already: nothing is added again.
  EXPECT_EQ(RegisterWorkstation(database, s, prompter, copied), Registration::kDone);
  EXPECT_FALSE(copied);
  std::vector<WorkpointInfo> rows;
  ParseSharedInfo(database, 2021, &rows);
  EXPECT_EQ(rows.size(), 2u);  // 2021 and its copy in 2020
  EXPECT_TRUE(prompter.shown.empty());
  // An office without password cannot be registered: the caller ends the process.
  CSetting no_password = Setting(temp.path() + "\\");
  no_password.office_code = "00456";
  no_password.office_password = "";
  LogCapture log;
  EXPECT_EQ(RegisterWorkstation(database, no_password, prompter, copied),
            Registration::kNotRegistered);
  EXPECT_TRUE(log.Has("[**  ERR] Unable to write on SharedInfo -> " + database));
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].caption, "Errore");

  // Another PC writing to the shared file longer than the busy timeout: the year's row cannot
  // be added, so the workstation is not registered, and the setup says so.
  const std::string other = temp.Sub("Other");
  ASSERT_TRUE(CreateDirectoryA(other.c_str(), nullptr));
  const std::string busy = other + "\\SharedInfo";
  ASSERT_EQ(CreateSharedInfo(busy), 0);
  {
    SQLite::Database writer(busy, SQLite::OPEN_READWRITE);
    writer.exec("BEGIN IMMEDIATE");
    const DWORD start = GetTickCount();
    EXPECT_EQ(RegisterWorkstation(busy, s, prompter, copied), Registration::kNotRegistered);
    std::cout << "gave up after " << GetTickCount() - start << " ms\n";
    writer.exec("ROLLBACK");
  }
  EXPECT_TRUE(log.Has("[**  ERR] Unable to write on SharedInfo -> " + busy));
  ASSERT_EQ(prompter.shown.size(), 2u);
  EXPECT_EQ(prompter.shown[1].caption, "Errore");
  exists = true;
  ASSERT_EQ(ExistValidInstall(busy, "00123", 2021, &exists), 0);
  EXPECT_FALSE(exists);
}

TEST(InstallRules, UnitConfigurationIsDeletedOnlyOnceCopied) {
  TempFolder temp;
  const std::string etc = temp.Sub("HOME\\ETC\\");
  ASSERT_TRUE(CreateDirectoryA(temp.Sub("HOME").c_str(), nullptr) &&
              CreateDirectoryA(etc.c_str(), nullptr));
  ASSERT_TRUE(WriteTextFile(etc + "installa.mod", "00777UNIT"));
  // installa.up is a folder: the copy fails and the only copy stays.
  ASSERT_TRUE(CreateDirectoryA((etc + "installa.up").c_str(), nullptr));
  LogCapture log;
  MoveUnitConfiguration(temp.path());
  EXPECT_EQ(ReadTextFile(etc + "installa.mod"), "00777UNIT");
  EXPECT_FALSE(log.Has("[  INFO] Written -> " + etc + "installa.up"));
  EXPECT_EQ(log.MessagesWith("[**  ERR] Not written -> " + etc + "installa.up").size(), 1u);
  RemoveDirectoryA((etc + "installa.up").c_str());
  MoveUnitConfiguration(temp.path());
  EXPECT_EQ(ReadTextFile(etc + "installa.up"), "00777UNIT");
  EXPECT_EQ(GetFileAttributesA((etc + "installa.mod").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(log.Has("[  INFO] Written -> " + etc + "installa.up"));
}

// A unit converts a local year folder at once; the office's shared one only when asked.
TEST(InstallRules, UnitConversionOfASharedFolderIsAskedFirst) {
  const struct {
    const char* year_path;
    std::vector<bool> answers;
    bool asked, converts;
  } rows[] = {
      {"D:\\ZAV\\PM00123\\ZAV2021", {}, false, true},
      {"N:\\ZAV2021", {false}, true, false},
      {"N:\\ZAV2021", {true}, true, true},
      {"\\\\PC1\\ZAV 00123\\ZAV2021", {false}, true, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.year_path);
    FakeServices services;
    services.network = true;
    ScriptedPrompter prompter;
    prompter.answers = row.answers;
    LogCapture log;
    EXPECT_EQ(MayConvertUnitFolder(row.year_path, prompter, services), row.converts);
    ASSERT_EQ(prompter.shown.size(), row.asked ? 1u : 0u);
    if (!row.asked) continue;
    EXPECT_NE(prompter.shown[0].text.find(row.year_path), std::string::npos);
    EXPECT_TRUE(log.Has(std::string(row.converts ? "[* WARN] Unit configuration on a network "
                                                   "drive, converted on request -> "
                                                 : "[* WARN] Unit configuration on a network "
                                                   "drive, left as it is -> ") +
                        row.year_path));
  }
}

// The end work: once per run; SharedInfo that cannot be created ends like a workstation
// that is not registered (no configuration written, no success texts, the lock kept).
TEST(InstallRules, EndWorkRegistersOnceAndAMissingDatabaseIsNotASuccess) {
  for (bool creatable : {true, false}) {
    SCOPED_TRACE(creatable);
    TempFolder temp;
    CSetting s = Setting(temp.path() + "\\");
    s.install_kind = 1;
    s.year_path = temp.path() + "\\ZAV2021\\";
    s.runtime_bin_folder = "%\\HOME\\BIN";
    s.runtime_launcher = "%\\home\\bin\\wrun32.exe";
    s.service_name = "Rivaduz ZAV";
    CreateDirectoryA(temp.Sub("ZAV_Shared").c_str(), nullptr);
    // A folder where the database would be: it cannot be created (as on a full disk).
    if (!creatable) CreateDirectoryA(temp.Sub("ZAV_Shared\\SharedInfo").c_str(), nullptr);
    ScriptedPrompter prompter;
    FakeServices services;
    services.shared = true;  // no share question
    EndWorkState state;
    std::vector<EndResult> shown;
    const auto show = [&](EndResult r) { shown.push_back(r); };
    LogCapture log;
    const EndResult result = RunEndWork(false, s, prompter, services, state, show);
    const std::string mod = "write " + temp.path() + "\\ZAV2021\\HOME\\ETC\\INSTALLA.MOD";
    const bool written = std::any_of(services.calls.begin(), services.calls.end(),
                                     [&](const std::string& c) { return c.rfind(mod, 0) == 0; });
    const bool unlocked = std::find(services.calls.begin(), services.calls.end(),
                                    "unlock " + s.office_root) != services.calls.end();
    if (creatable) {
      EXPECT_EQ(EndResult::kInstalled, result);
      EXPECT_EQ(std::vector<EndResult>{EndResult::kInstalled}, shown);
      EXPECT_TRUE(written && unlocked) << prompter.Texts();
      EXPECT_TRUE(prompter.shown.empty()) << prompter.Texts();
      EXPECT_EQ(EndResult::kAlreadyDone, RunEndWork(false, s, prompter, services, state, show));
      continue;
    }
    EXPECT_EQ(EndResult::kNotRegistered, result);
    EXPECT_EQ(4u, kExitNotRegistered);
    EXPECT_TRUE(shown.empty());
    EXPECT_FALSE(written || unlocked);
    EXPECT_TRUE(
        log.Has("[**  ERR] SharedInfo not created -> " + s.office_root + "ZAV_Shared\\SharedInfo"));
    ASSERT_EQ(1u, prompter.shown.size());
    EXPECT_EQ(
        "Errore nella scrittura delle configurazioni sul disco. L'applicazione potrebbe non "
        "funzionare correttamente.",
        prompter.shown[0].text);
  }
}

// Cancel on the install page: Yes stops the engine before deleting the downloads; a finish
// reported while the question is open waits for the answer (No moves on once, then).
TEST(InstallRules, CancelQuestionAndAFinishUnderneath) {
  struct Control : InstallControl {
    std::vector<std::string> calls;
    void Cancel() override { calls.push_back("cancel"); }
    void DeleteDownloads() override { calls.push_back("delete"); }
  };
  const struct {
    bool yes, finish_underneath;
    CancelAnswer answer;
  } cases[] = {{true, false, CancelAnswer::kClose},
               {true, true, CancelAnswer::kClose},
               {false, false, CancelAnswer::kStay},
               {false, true, CancelAnswer::kMoveOn}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.yes) + std::to_string(c.finish_underneath));
    InstallCancel cancel;
    Control control;
    ScriptedPrompter prompter;
    prompter.answers = {c.yes};
    std::vector<bool> moved_on_underneath;
    if (c.finish_underneath)
      prompter.while_shown = [&] { moved_on_underneath.push_back(cancel.OnFinished()); };
    EXPECT_EQ(c.answer, cancel.OnCancel(prompter, control));
    ASSERT_EQ(1u, prompter.shown.size());
    EXPECT_EQ("Sei sicuro di voler interrompere l'installazione?", prompter.shown[0].text);
    EXPECT_EQ(MessageKind::kQuestion, prompter.shown[0].kind);
    for (bool moved : moved_on_underneath) EXPECT_FALSE(moved);
    const std::vector<std::string> calls =
        c.yes ? std::vector<std::string>{"cancel", "delete"} : std::vector<std::string>{};
    EXPECT_EQ(calls, control.calls);
    // A finish after the answer: nothing after a cancel, at once otherwise.
    EXPECT_EQ(!c.yes, cancel.OnFinished());
  }
}

}  // namespace
