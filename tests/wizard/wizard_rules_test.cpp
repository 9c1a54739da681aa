// The wizard's decisions without a window: start page, office pages, list and paths.
#include <gtest/gtest.h>

#include <functional>

#include "resource.h"
#include "sys/log_capture.h"
#include "wizard/office_rules.h"
#include "wizard/page_table.h"
#include "wizard/start_rules.h"

namespace {

struct Shown {
  MessageKind kind;
  std::string text;
};

// Answers questions from a script (Yes when it runs out) and records every message.
class ScriptedPrompter : public Prompter {
 public:
  std::vector<bool> answers;
  std::vector<Shown> shown;
  bool Show(MessageKind kind, const std::string& text) override {
    shown.push_back({kind, text});
    if (kind != MessageKind::kQuestion) return false;
    if (answers.empty()) return true;
    const bool answer = answers.front();
    answers.erase(answers.begin());
    return answer;
  }
};

class FakeServices : public PageServices {
 public:
  std::vector<int> removed;
  std::vector<std::string> registered;  // "sharedinfo|pm|year" answered true
  bool moltra_running = false, qel_running = false, writable = true, map_ok = true;
  int lock_answer = 0;
  std::function<void()> during_lock_question;
  std::string drive = "M:";
  std::vector<std::string> created, secured;
  int refreshes = 0;

  void RemovePage(int index) override { removed.push_back(index); }
  bool IsRegistered(const std::string& db, const std::string& pm, int year) override {
    const std::string key = db + "|" + pm + "|" + std::to_string(year);
    return std::find(registered.begin(), registered.end(), key) != registered.end();
  }
  bool IsMoltraRunning() override { return moltra_running; }
  bool TerminateQel() override { return qel_running; }
  int CheckInstallLock(const std::string&) override {
    if (during_lock_question) during_lock_question();
    return lock_answer;
  }
  bool MapNetworkDrive(const std::string&, std::string& d) override {
    d = drive;
    return map_ok;
  }
  bool CreateFolder(const std::string& folder, bool& made) override {
    created.push_back(folder);
    made = true;
    return true;
  }
  void SecureFolder(const std::string& folder) override { secured.push_back(folder); }
  bool CanWrite(const std::string&) override { return writable; }
  void RefreshOfficeList() override { ++refreshes; }
};

std::unique_ptr<InstallRecord> Record(const std::string& pm, const std::string& year,
                                      const std::string& root, bool valid = true, int kind = 1) {
  auto r = std::make_unique<InstallRecord>();
  r->pm = pm;
  r->year = year;
  r->setup_path = root;
  r->zav_path = root + "ZAV" + year;
  r->sharedinfo_path = root + "ZAV_Shared\\SharedInfo";
  r->password = "PW" + pm;
  r->pdl = "1";
  r->valid = valid;
  r->kind = kind;
  return r;
}

CSetting Setting() {
  CSetting s;
  s.current_year = "2021";
  s.year_folder = "ZAV2021";
  return s;
}

TEST(WizardRules, OfficeCodeRule) {
  for (const char* valid : {"1", "123", "00123", "99999", "10000"})
    EXPECT_TRUE(IsValidOfficeCode(valid)) << valid;
  for (const char* invalid : {"", "0", "00000", "12a", "+123", "-12", " 123", "123456"})
    EXPECT_FALSE(IsValidOfficeCode(invalid)) << invalid;
}

TEST(WizardRules, CaptionByRunMode) {
  EXPECT_EQ(SheetCaption(0, "Rivaduz ZAV - Installazione", "W"),
            "DEV - Rivaduz ZAV - Installazione - W");
  EXPECT_EQ(SheetCaption(1, "Rivaduz ZAV - Installazione", "W"),
            "TEST - Rivaduz ZAV - Installazione - W");
  EXPECT_EQ(SheetCaption(2, "Rivaduz ZAV - Installazione", "W"), "Rivaduz ZAV - Installazione - W");
}

TEST(WizardRules, ListDropsRepeatedRecordsAndNamesEachKind) {
  std::vector<std::unique_ptr<InstallRecord>> list;
  list.push_back(Record("00123", "2021", "F:\\ZAV\\PM00123\\"));
  list.push_back(Record("00123", "2021", "F:\\ZAV\\PM00123\\"));  // another user's workstation
  list.push_back(Record("00123", "2020", "F:\\ZAV\\PM00123\\"));
  list.push_back(Record("00123", "2021", "F:\\ZAV\\PM00123\\"));
  list.push_back(Record("00777", "2021", "N:\\Unit\\", true, 2));
  RemoveDuplicateInstalls(list);
  std::vector<std::string> lines;
  for (const auto& r : list) lines.push_back(OfficeListLine(*r));
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "Ufficio Autorizzato 00123 - 2021 (F:\\ZAV\\PM00123\\ZAV2021)",
                       "Ufficio Autorizzato 00123 - 2020 (F:\\ZAV\\PM00123\\ZAV2020)",
                       "Unità Periferica 00777 installata in N:\\Unit\\ZAV2021"}));
}

TEST(WizardRules, NewerYearWalkStaysWithinTheOffice) {
  std::vector<std::unique_ptr<InstallRecord>> list;
  list.push_back(Record("00100", "2022", "F:\\A\\"));
  list.push_back(Record("00123", "2021", "F:\\B\\"));
  list.push_back(Record("00123", "2021", "F:\\C\\"));
  list.push_back(Record("00123", "2020", "F:\\B\\"));
  list.push_back(Record("00124", "2019", "F:\\D\\"));
  const struct {
    size_t index;
    const char* newer;
  } rows[] = {{0, ""}, {1, ""}, {2, ""}, {3, "2021"}, {4, ""}, {9, ""}};
  for (const auto& row : rows) EXPECT_EQ(NewerYearAbove(list, row.index), row.newer) << row.index;
}

TEST(WizardRules, InvalidConfigurationByYear) {
  CSetting s = Setting();
  EXPECT_EQ(CheckInvalidConfig(s), InvalidConfig::kNone);
  s.installs.push_back(Record("00123", "2020", "F:\\A\\", false));
  EXPECT_EQ(CheckInvalidConfig(s), InvalidConfig::kOtherYear);
  s.orphans.push_back(Record("00777", "2021", "E:\\", false));
  EXPECT_EQ(CheckInvalidConfig(s), InvalidConfig::kCurrentYear);
  AcceptInvalidConfig(s, "PC\\me");
  ASSERT_EQ(s.installs.size(), 2u);
  EXPECT_EQ(s.installs[1]->pm, "00777");
  EXPECT_EQ(s.orphans.size(), 1u);
}

TEST(WizardRules, StartPageNextInEveryMode) {
  const std::string no_year =
      "ATTENZIONE!!\n\nNon è stata trovata nessuna Piattaforma ZAV 2021 per cui creare un nuovo "
      "posto di lavoro.";
  const struct {
    const char* name;
    int option;
    std::vector<const char*> years;  // installs found
    int kind;
    bool registered, moltra, answer;
    int result;
    std::vector<int> removed;
    const char* message;  // first message shown, "" for none
  } rows[] = {
      {"no option",
       0,
       {"2021"},
       1,
       false,
       false,
       true,
       kStay,
       {},
       "ATTENZIONE!!\n\nSeleziona un'opzione per procedere."},
      {"workstation without this year",
       IDC_OPTION_ADD_PDL,
       {"2020"},
       1,
       false,
       false,
       true,
       kStay,
       {},
       no_year.c_str()},
      {"new office, nothing found",
       IDC_OPTION_INSTALL,
       {},
       1,
       false,
       false,
       true,
       kNeighbour,
       {1, 1},
       ""},
      {"new office with a list",
       IDC_OPTION_INSTALL,
       {"2020"},
       1,
       false,
       false,
       true,
       kNeighbour,
       {1},
       ""},
      {"added workstation",
       IDC_OPTION_ADD_PDL,
       {"2021"},
       1,
       false,
       false,
       true,
       kNeighbour,
       {1},
       ""},
      {"unit confirmed",
       IDC_OPTION_INSTALL,
       {"2021"},
       2,
       false,
       false,
       true,
       kNeighbour,
       {1, 2},
       "Confermi l'installazione dell'unità periferica?"},
      {"unit refused",
       IDC_OPTION_ADD_PDL,
       {"2021"},
       2,
       false,
       false,
       false,
       kStay,
       {1, 2},
       "Confermi l'installazione dell'unità periferica?"},
      {"unit without any office",
       IDC_OPTION_INSTALL,
       {},
       2,
       false,
       false,
       true,
       kStay,
       {},
       "ATTENZIONE!!\n\nNon è stata rilevata nessuna Piattaforma ZAV per cui installare l'unità "
       "periferica."},
      {"restore, nothing registered",
       IDC_OPTION_RESTORE,
       {"2021"},
       1,
       false,
       false,
       true,
       kStay,
       {1},
       "ATTENZIONE!!\n\nNon è stata rilevata nessuna Piattaforma ZAV da ripristinare."},
      {"restore, platform running",
       IDC_OPTION_RESTORE,
       {"2021"},
       1,
       true,
       true,
       true,
       kStay,
       {1},
       "ATTENZIONE!!\n\nE' stata rilevata una versione della Piattaforma in esecuzione. Chiudere "
       "il programma e cliccare su OK per proseguire con l'installazione."},
      {"restore", IDC_OPTION_RESTORE, {"2021"}, 1, true, false, true, IDD_WIZ_INSTALL, {1}, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    CSetting s = Setting();
    s.install_kind = row.kind;
    s.office_root = "F:\\ZAV\\PM00123\\";
    for (const char* year : row.years) s.installs.push_back(Record("00123", year, s.office_root));
    FakeServices services;
    services.moltra_running = row.moltra;
    if (row.registered)
      services.registered.push_back(s.office_root + "ZAV_Shared\\SharedInfo|00123|2021");
    ScriptedPrompter prompter;
    prompter.answers = {row.answer};
    StartFlags flags;
    EXPECT_EQ(StartNext(row.option, s, flags, prompter, services), row.result);
    EXPECT_EQ(services.removed, row.removed);
    EXPECT_EQ(prompter.shown.empty() ? "" : prompter.shown[0].text, row.message);
    EXPECT_EQ(flags.restore_mode, row.result == IDD_WIZ_INSTALL);
    if (row.kind == 2 && row.result == kNeighbour) {
      EXPECT_EQ(s.year_path, "F:\\ZAV\\PM00123\\ZAV2021");
    }
    // A second Next removes nothing more.
    services.removed.clear();
    StartNext(row.option, s, flags, prompter, services);
    EXPECT_EQ(services.removed.size(), flags.notsupported_removed ? 0u : row.removed.size());
  }
}

TEST(WizardRules, OfficeListPageNext) {
  const std::string root = "F:\\ZAV\\PM00123\\";
  const std::string db = root + "ZAV_Shared\\SharedInfo";
  const std::string question_icon =
      "La Piattaforma ZAV 2021 per l'Ufficio Autorizzato 00123 risulta già "
      "installata.\n\nProcedere alla creazione dell'icona di accesso in Piattaforma?";
  const std::string question_pdl =
      "La Piattaforma ZAV 2021 per l'Ufficio Autorizzato 00123 risulta già "
      "installata.\n\nProcedere alla creazione del posto di lavoro e dell'icona di accesso in "
      "Piattaforma?";
  const struct {
    const char* name;
    int index;
    bool valid, registered, writable, answer;
    int lock;
    int result;
    std::string message;
  } rows[] = {
      {"nothing selected", -1, true, false, true, true, 0, kStay,
       "Cliccare il Codice Ufficio per il quale installare la Piattaforma ZAV 2021 e poi premere "
       "Avanti."},
      {"older year", 1, true, false, true, true, 0, kStay,
       "La Piattaforma ZAV 2021 per l'Ufficio Autorizzato 00123 risulta già installata."},
      {"lock refused", 0, true, false, true, true, -1, kStay, ""},
      {"registered, icon wanted", 0, true, true, true, true, 1, IDD_WIZ_INSTALL, question_icon},
      {"registered, icon refused", 0, true, true, true, false, 0, kStay, question_icon},
      {"registered but invalid", 0, false, true, true, true, 0, IDD_WIZ_BEFOREINSTALL, ""},
      {"new workstation", 0, true, false, true, true, 0, IDD_WIZ_BEFOREINSTALL, question_pdl},
      {"new workstation refused", 0, true, false, true, false, 0, kStay, question_pdl},
      {"shared folder not writable", 0, true, false, false, true, 0, kStay, question_pdl},
      {"older year only", 2, true, false, true, true, 0, IDD_WIZ_BEFOREINSTALL, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    CSetting s = Setting();
    s.installs.push_back(Record("00123", "2021", root, row.valid));
    s.installs.push_back(Record("00123", "2020", root));
    s.installs.push_back(Record("00200", "2020", "F:\\ZAV\\PM00200\\"));
    FakeServices services;
    services.lock_answer = row.lock;
    services.writable = row.writable;
    if (row.registered) services.registered.push_back(db + "|00123|2021");
    ScriptedPrompter prompter;
    prompter.answers = {row.answer};
    EXPECT_EQ(PmSelectNext(row.index, s, prompter, services), row.result);
    EXPECT_EQ(prompter.shown.empty() ? "" : prompter.shown[0].text, row.message);
    if (row.result != kStay) {
      const InstallRecord& chosen = *s.installs[row.index];
      EXPECT_EQ(s.office_code, chosen.pm);
      EXPECT_EQ(s.office_root, chosen.setup_path);
      EXPECT_EQ(s.year_path, chosen.setup_path);
      EXPECT_EQ(s.selected_year, chosen.year);
      EXPECT_EQ(s.office_password, chosen.password);
    }
    if (std::string(row.name) == "shared folder not writable") {
      EXPECT_EQ(prompter.shown.back().text,
                "Non si dispone dei privilegi di scrittura sulla cartella di destinazione. "
                "Controllare le impostazioni e riprovare.");
      EXPECT_EQ(services.created, (std::vector<std::string>{root + "ZAV_Shared"}));
      EXPECT_EQ(services.secured, services.created);
    }
  }
}

TEST(WizardRules, OfficeListPageMapsANetworkFolder) {
  for (bool mapped : {false, true}) {
    LogCapture log;
    CSetting s = Setting();
    s.installs.push_back(Record("00123", "2020", "\\\\SRV\\zav\\PM00123\\"));
    s.installs.push_back(Record("00124", "2020", "\\\\SRV\\zav\\PM00124\\"));
    FakeServices services;
    services.map_ok = mapped;
    ScriptedPrompter prompter;
    EXPECT_EQ(PmSelectNext(0, s, prompter, services), mapped ? IDD_WIZ_BEFOREINSTALL : kStay);
    if (!mapped) {
      EXPECT_EQ(prompter.shown.at(0).text,
                "Si è verificato un problema durante la creazione dell'unità di rete.");
      continue;
    }
    EXPECT_EQ(s.office_root, "M:\\");
    EXPECT_EQ(s.year_path, "M:\\");
    EXPECT_EQ(s.office_dir, "M:\\ZAV2020");
    EXPECT_EQ(s.sharedinfo_path, "M:\\ZAV_Shared\\SharedInfo");
    EXPECT_EQ(s.installs[0]->zav_path, "M:\\ZAV2020");
    EXPECT_EQ(s.installs[1]->zav_path, "\\\\SRV\\zav\\PM00124\\ZAV2020");  // another folder
    EXPECT_EQ(services.refreshes, 1);
    EXPECT_EQ(log.MessagesWith("] Zav path -> "),
              (std::vector<std::string>{
                  "[INFO] Zav path -> \\\\SRV\\zav\\PM00123\\ZAV2020 -> M:\\ZAV2020"}));
    EXPECT_TRUE(
        log.Has("[INFO] Sharedinfo path -> \\\\SRV\\zav\\PM00123\\ZAV_Shared\\SharedInfo -> "
                "M:\\ZAV_Shared\\SharedInfo"));
    EXPECT_TRUE(log.Has("[  INFO] Unit created as M:\\"));
  }
}

TEST(WizardRules, OfficeListPageTakesTheRecordsKindUnlessAPeripheralUnitIsInstalled) {
  for (int kind : {1, 2}) {
    CSetting s = Setting();
    s.install_kind = kind;
    s.installs.push_back(Record("00200", "2020", "F:\\ZAV\\PM00200\\"));
    FakeServices services;
    ScriptedPrompter prompter;
    EXPECT_EQ(PmSelectNext(0, s, prompter, services), IDD_WIZ_BEFOREINSTALL);
    EXPECT_EQ(s.install_kind, kind);
  }
}

TEST(WizardRules, OfficeListPageKeepsTheChosenRecordWhenTheListChangesDuringAQuestion) {
  CSetting s = Setting();
  s.installs.push_back(Record("00123", "2020", "F:\\ZAV\\PM00123\\"));
  s.installs.push_back(Record("00200", "2020", "F:\\ZAV\\PM00200\\"));
  FakeServices services;
  services.lock_answer = 1;
  // A refresh while the concurrent-install question is open puts another office first.
  services.during_lock_question = [&] { std::swap(s.installs[0], s.installs[1]); };
  ScriptedPrompter prompter;
  EXPECT_EQ(PmSelectNext(0, s, prompter, services), IDD_WIZ_BEFOREINSTALL);
  EXPECT_EQ(s.office_code, "00123");
  EXPECT_EQ(s.office_root, "F:\\ZAV\\PM00123\\");
}

TEST(WizardRules, NewOfficePage) {
  const struct {
    const char* code;
    const char* password;
    int result;
    const char* stored;  // office code after Next
    const char* message;
  } rows[] = {
      {"123", "SEGRETO", kNeighbour, "00123", ""},
      {"0", "SEGRETO", kStay, "", "ATTENZIONE!!\n\nIl codice ufficio NON E' VALIDO!"},
      {"00000", "SEGRETO", kStay, "", "ATTENZIONE!!\n\nIl codice ufficio NON E' VALIDO!"},
      {"77", "SEGRETO", IDD_WIZ_PMSELECT, "00077",
       "ATTENZIONE!!\n\nL'ufficio autorizzato è già stato rilevato!"},
      {"124", "", kStay, "00124",
       "ATTENZIONE!!\n\nInserire la Password contenuta nella email ricevuta da Rivaduz ZAV."},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.code);
    CSetting s = Setting();
    s.installs.push_back(Record("77", "2021", "F:\\ZAV\\PM00077\\"));  // stored short
    ScriptedPrompter prompter;
    EXPECT_EQ(PmNewNext(row.code, row.password, s, prompter), row.result);
    EXPECT_EQ(s.office_code, row.stored);
    EXPECT_TRUE(s.new_office);
    EXPECT_EQ(prompter.shown.empty() ? "" : prompter.shown[0].text, row.message);
    if (!prompter.shown.empty()) {
      EXPECT_EQ(prompter.shown[0].kind, MessageKind::kError);
    }
    if (row.result == kNeighbour) {
      EXPECT_EQ(s.office_password, row.password);
    }
  }
}

TEST(WizardRules, TypedOfficeCodeGivesTheFolder) {
  CSetting s = Setting();
  ResetNewOffice(s);
  bool cut = false;
  EXPECT_EQ(OfficeCodeTyped("123456", s, cut), "12345");
  EXPECT_TRUE(cut);
  EXPECT_EQ(s.office_root, "C:\\ZAV\\PM12345\\");
  s.base_path = "D:\\ZAV";
  OfficeCodeTyped("12", s, cut);
  EXPECT_FALSE(cut);
  EXPECT_EQ(s.office_code, "12");
  EXPECT_EQ(s.office_dir, "D:\\ZAV\\PM00012");
  // A record chosen in the list is kept while the page shows it.
  s.installs.push_back(Record("00123", "2021", "F:\\X\\"));
  s.new_office = false;
  OfficeCodeTyped("999", s, cut);
  EXPECT_EQ(s.office_code, "12");
}

}  // namespace
