// The real ZAV2021.exe's wizard under Wine on fixture machines: every start-page rule, the
// office pages' rules and the flows of each mode to the destination page. Each test saves
// screenshots of the pages it reaches into <build>\screenshots.
#include <gtest/gtest.h>
#include <windows.h>
#include <prsht.h>

#include "log/setup_log.h"
#include "resource.h"
#include "support/temp_folder.h"
#include "support/ui_driver.h"
#include "survey/survey_fixtures.h"
#include "sys/scoped_handle.h"
#include "wizard/guide.h"
#include "wizard_driver.h"

namespace {

const char* const kFixtureDrives[] = {"E:", "F:", "N:"};

// Points Wine's browser launcher at the recording script for the life of the object.
class RecordingBrowser {
 public:
  RecordingBrowser() {
    RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key_, nullptr);
    const std::string script = ZAV_RECORD_URL_SCRIPT;
    RegSetValueExA(key_, "Browsers", 0, REG_SZ, reinterpret_cast<const BYTE*>(script.c_str()),
                   static_cast<DWORD>(script.size() + 1));
    DeleteFileA(url_file().c_str());
  }
  ~RecordingBrowser() {
    RegDeleteValueA(key_, "Browsers");
    RegCloseKey(key_);
    DeleteFileA(url_file().c_str());
  }
  static std::string url_file() { return UnixToWindowsPath(ZAV_RECORD_URL_SCRIPT ".url"); }

 private:
  static constexpr const char* kKey = "Software\\Wine\\WineBrowser";
  HKEY key_ = nullptr;
};

class WizardE2E : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* drive : kFixtureDrives) RemoveFolderContents(drive);
    DeleteLog();
  }
  void TearDown() override {
    if (wizard_.sheet() && IsWindow(wizard_.sheet())) {
      wizard_.Press(PSBTN_CANCEL);
      wizard_.WaitForExit();
    }
    for (const char* drive : kFixtureDrives) RemoveFolderContents(drive);
  }

  // An installation of the office in `root`, registered in <root>ZAV_Shared\SharedInfo for
  // the assignee (empty: this user).
  static void Install(const std::string& root, const std::string& pm, const std::string& year,
                      const std::string& assignee = "") {
    RegisterWorkpoint(root.substr(0, root.size() - 1), pm, "PW" + pm, root, year, assignee);
    std::string header = pm + "PW" + pm;
    header.resize(13, '\0');
    MakeInstallaMod(root + "ZAV" + year, header);
    MakeFile(root + "ZAV" + year + "\\home\\BIN\\wrun32.exe", "MZ");  // a valid record
  }

  // Starts the setup and waits for the start page.
  HWND Start(const std::string& arguments = "/NODISCOVERY /SKIPUPDATE") {
    if (!wizard_.Start(arguments)) return nullptr;
    return wizard_.WaitForPage("WIZ_START");
  }

  // Checks the option, presses Next and waits for the page.
  HWND NextWith(HWND start, int option, const std::string& page) {
    if (!wizard_.Check(start, option)) return nullptr;
    wizard_.Press(PSBTN_NEXT);
    return wizard_.WaitForPage(page);
  }

  // Presses Next and answers the message box that follows; its text.
  std::string NextAndAnswer(int button = IDOK) {
    wizard_.Press(PSBTN_NEXT);
    const Box box = wizard_.WaitForBox();
    EXPECT_EQ(box.caption, "Attenzione");
    EXPECT_TRUE(wizard_.Answer(box, button));
    return box.text;
  }

  WizardDriver wizard_;
};

TEST_F(WizardE2E, NoInstallationFoundInstallLeadsToTheNewOfficePageAndBack) {
  HWND start = Start();
  ASSERT_TRUE(start);
  wizard_.Screenshot("wiz_start");
  EXPECT_EQ(wizard_.Caption().rfind("Rivaduz ZAV - Installazione - Microsoft Windows ", 0), 0u)
      << wizard_.Caption();
  EXPECT_EQ(wizard_.PageIdAt(1), IDD_WIZ_NOTSUPPORTED);

  ASSERT_TRUE(NextWith(start, IDC_OPTION_INSTALL, "WIZ_PMNEW"));
  wizard_.Screenshot("wiz_pmnew");
  EXPECT_EQ(wizard_.PageIdAt(1), IDD_WIZ_PMNEW);  // not-supported and list pages removed
  wizard_.Press(PSBTN_BACK);
  ASSERT_TRUE(wizard_.WaitForPage("WIZ_START"));
}

TEST_F(WizardE2E, StartPageRefusalsRemoveNoPage) {
  Install("F:\\ZAV\\PM00123\\", "00123", "2020");
  HWND start = Start("/NODISCOVERY /SKIPUPDATE /TEST1");
  ASSERT_TRUE(start);
  EXPECT_EQ(wizard_.Caption().rfind("TEST - Rivaduz ZAV - Installazione - Microsoft Windows ", 0),
            0u)
      << wizard_.Caption();
  EXPECT_EQ(NextAndAnswer(), "ATTENZIONE!!\n\nSeleziona un'opzione per procedere.");
  EXPECT_TRUE(wizard_.log().Has("[  INFO] No radio option selected"));
  ASSERT_TRUE(wizard_.Check(start, IDC_OPTION_ADD_PDL));
  EXPECT_EQ(NextAndAnswer(),
            "ATTENZIONE!!\n\nNon è stata trovata nessuna Piattaforma ZAV 2021 per cui creare un "
            "nuovo posto di lavoro.");
  EXPECT_EQ(wizard_.PageIdAt(1), IDD_WIZ_NOTSUPPORTED);
  EXPECT_EQ(wizard_.PageIdAt(2), IDD_WIZ_PMSELECT);
}

TEST_F(WizardE2E, InvalidConfigurationAcceptedMovesOnWithTheOrphansListed) {
  Install("F:\\ZAV\\PM00123\\", "00123", "2020");
  MakeInstallaMod("F:\\ZAV\\PM00777\\ZAV2021", std::string("00777PW\0\0\0\0\0\0\0", 13));
  ASSERT_TRUE(wizard_.Start("/NODISCOVERY /SKIPUPDATE"));
  const Box question = wizard_.WaitForBox();
  EXPECT_EQ(question.text,
            "ATTENZIONE!!\n\nE' stata rilevata una configurazione non valida, vuoi procedere con "
            "l'installazione?");
  ASSERT_TRUE(wizard_.Answer(question, IDYES));
  HWND list = wizard_.WaitForPage("WIZ_PMSELECT");
  ASSERT_TRUE(list);
  wizard_.Screenshot("wiz_pmselect");
  EXPECT_EQ(
      wizard_.ListLines(list, IDC_OFFICE_LIST),
      (std::vector<std::string>{"Ufficio Autorizzato 00123 - 2020 (F:\\ZAV\\PM00123\\ZAV2020)",
                                "Ufficio Autorizzato 00777 - 2021 (F:\\ZAV\\PM00777\\ZAV2021)"}));
  EXPECT_EQ(
      ControlText(list, IDC_PMSELECT_PROMPT),
      "Selezionare il Codice Ufficio per il quale installare la Piattaforma ZAV 2021 e premere "
      "Avanti.");
  EXPECT_TRUE(wizard_.log().Has("[* WARN] Proceed with wrong config installation"));

  // Back on the start page the question is not asked again.
  wizard_.Press(PSBTN_BACK);
  ASSERT_TRUE(wizard_.WaitForPage("WIZ_START"));
  const auto warnings = wizard_.log().MessagesWith("Invalid install detected for current year");
  EXPECT_EQ(warnings.size(), 2u);
}

TEST_F(WizardE2E, InvalidConfigurationRefusedEndsWithOne) {
  MakeInstallaMod("F:\\ZAV\\PM00777\\ZAV2021", std::string("00777PW\0\0\0\0\0\0\0", 13));
  ASSERT_TRUE(wizard_.Start("/NODISCOVERY /SKIPUPDATE"));
  ASSERT_TRUE(wizard_.Answer(wizard_.WaitForBox(), IDNO));
  EXPECT_EQ(wizard_.WaitForExit(), 1u);
  EXPECT_TRUE(wizard_.log().Has("[* WARN] Not proceeding with wrong config installation"));
}

TEST_F(WizardE2E, ListOfferedOnceAndAnOlderYearRefused) {
  Install("F:\\ZAV\\PM00123\\", "00123", "2021");
  Install("F:\\ZAV\\PM00123\\", "00123", "2021", "ALTROPC\\utente");  // same line
  Install("F:\\ZAV\\PM00123\\", "00123", "2020");
  // No update server here: the install page's first request is refused at once.
  SetEnvironmentVariableA("http_proxy", "http://127.0.0.1:9");
  HWND list = NextWith(Start(), IDC_OPTION_ADD_PDL, "WIZ_PMSELECT");
  SetEnvironmentVariableA("http_proxy", nullptr);
  ASSERT_TRUE(list);
  EXPECT_EQ(
      wizard_.ListLines(list, IDC_OFFICE_LIST),
      (std::vector<std::string>{"Ufficio Autorizzato 00123 - 2021 (F:\\ZAV\\PM00123\\ZAV2021)",
                                "Ufficio Autorizzato 00123 - 2020 (F:\\ZAV\\PM00123\\ZAV2020)"}));
  EXPECT_EQ(NextAndAnswer(),
            "Cliccare il Codice Ufficio per il quale installare la Piattaforma ZAV 2021 e poi "
            "premere Avanti.");
  PostMessageA(GetDlgItem(list, IDC_OFFICE_LIST), LB_SETCURSEL, 1, 0);
  EXPECT_EQ(NextAndAnswer(),
            "La Piattaforma ZAV 2021 per l'Ufficio Autorizzato 00123 risulta già installata.");
  // This user's workstation of 2021 is registered: only the desktop icon is offered.
  PostMessageA(GetDlgItem(list, IDC_OFFICE_LIST), LB_SETCURSEL, 0, 0);
  EXPECT_EQ(NextAndAnswer(IDYES),
            "La Piattaforma ZAV 2021 per l'Ufficio Autorizzato 00123 risulta già installata.\n\n"
            "Procedere alla creazione dell'icona di accesso in Piattaforma?");
  ASSERT_TRUE(WaitUntil([&] { return wizard_.log().Has("[  INFO] Sheet active -> WIZ_INSTALL"); }));
  const Box problem = wizard_.WaitForBox();
  EXPECT_TRUE(wizard_.Answer(problem, IDCANCEL)) << problem.text;
  EXPECT_EQ(wizard_.WaitForExit(), 0u);
}

TEST_F(WizardE2E, AnotherUsersOfficeGetsANewWorkstationAfterTheQuestion) {
  Install("F:\\ZAV\\PM00123\\", "00123", "2021", "ALTROPC\\utente");
  HWND list = NextWith(Start(), IDC_OPTION_ADD_PDL, "WIZ_PMSELECT");
  ASSERT_TRUE(list);
  PostMessageA(GetDlgItem(list, IDC_OFFICE_LIST), LB_SETCURSEL, 0, 0);
  EXPECT_EQ(NextAndAnswer(IDYES),
            "La Piattaforma ZAV 2021 per l'Ufficio Autorizzato 00123 risulta già installata.\n\n"
            "Procedere alla creazione del posto di lavoro e dell'icona di accesso in Piattaforma?");
  HWND before = wizard_.WaitForPage("WIZ_BEFOREINSTALL");
  ASSERT_TRUE(before);
  EXPECT_TRUE(wizard_.log().Has(
      "[  INFO] Setting privileges and attributes on -> F:\\ZAV\\PM00123\\ZAV_Shared"));
  wizard_.Press(PSBTN_BACK);  // a chosen office goes back to the list
  ASSERT_TRUE(wizard_.WaitForPage("WIZ_PMSELECT"));
}

TEST_F(WizardE2E, NewOfficeCodeRules) {
  HWND page = NextWith(Start(), IDC_OPTION_INSTALL, "WIZ_PMNEW");
  ASSERT_TRUE(page);
  ASSERT_TRUE(wizard_.Type(page, IDC_OFFICE_CODE, "123456", "12345"));  // the sixth is cut
  ASSERT_TRUE(wizard_.Type(page, IDC_OFFICE_CODE, "\b\b\b\b\b0", "0"));
  EXPECT_EQ(NextAndAnswer(), "ATTENZIONE!!\n\nIl codice ufficio NON E' VALIDO!");
  ASSERT_TRUE(wizard_.Type(page, IDC_OFFICE_CODE, "\b123", "123"));
  EXPECT_EQ(NextAndAnswer(),
            "ATTENZIONE!!\n\nInserire la Password contenuta nella email ricevuta da Rivaduz ZAV.");
  ASSERT_TRUE(wizard_.Type(page, IDC_OFFICE_PASSWORD, "segreto", "SEGRETO"));
  wizard_.Press(PSBTN_NEXT);
  HWND unit = wizard_.WaitForPage("WIZ_SELECTUNIT");
  ASSERT_TRUE(unit);
  wizard_.Screenshot("wiz_selectunit");
  EXPECT_EQ(ControlText(unit, IDC_DESTINATION), "C:\\ZAV\\PM00123");  // stored as 00123
  wizard_.Press(PSBTN_BACK);
  ASSERT_TRUE(wizard_.WaitForPage("WIZ_PMNEW"));
}

TEST_F(WizardE2E, AnOfficeFoundWithAShortCodeIsRecognisedWhenTypedInFull) {
  Install("F:\\ZAV\\PM00123\\", "123", "2020");
  HWND list = NextWith(Start(), IDC_OPTION_INSTALL, "WIZ_PMSELECT");
  ASSERT_TRUE(list);
  PressButtonById(list, IDC_NEW_OFFICE);
  HWND page = wizard_.WaitForPage("WIZ_PMNEW");
  ASSERT_TRUE(page);
  ASSERT_TRUE(wizard_.Type(page, IDC_OFFICE_CODE, "00123", "00123"));
  ASSERT_TRUE(wizard_.Type(page, IDC_OFFICE_PASSWORD, "pw", "PW"));
  EXPECT_EQ(NextAndAnswer(), "ATTENZIONE!!\n\nL'ufficio autorizzato è già stato rilevato!");
  ASSERT_TRUE(wizard_.WaitForPage("WIZ_PMSELECT"));
}

TEST_F(WizardE2E, PeripheralUnitGoesFromTheListToThePreInstallPage) {
  Install("F:\\ZAV\\PM00123\\", "00123", "2020");
  HWND start = Start("/NODISCOVERY /SKIPUPDATE /UP");
  ASSERT_TRUE(start);
  ASSERT_TRUE(wizard_.Check(start, IDC_OPTION_INSTALL));
  EXPECT_EQ(NextAndAnswer(IDYES), "Confermi l'installazione dell'unità periferica?");
  HWND list = wizard_.WaitForPage("WIZ_PMSELECT");
  ASSERT_TRUE(list);
  EXPECT_EQ(wizard_.PageIdAt(2), IDD_WIZ_SELECTUNIT);  // WIZ_PMNEW removed
  PostMessageA(GetDlgItem(list, IDC_OFFICE_LIST), LB_SETCURSEL, 0, 0);
  wizard_.Press(PSBTN_NEXT);
  HWND before = wizard_.WaitForPage("WIZ_BEFOREINSTALL");
  ASSERT_TRUE(before);
  wizard_.Screenshot("wiz_beforeinstall");
  EXPECT_EQ(ControlText(before, IDC_DESTINATION), "F:\\ZAV\\PM00123\\");
  EXPECT_TRUE(wizard_.log().Has("[  INFO] Moltra installed but not updated -> 00123 -> 2020"));
}

TEST_F(WizardE2E, PeripheralUnitWithoutAnyOfficeIsRefused) {
  HWND start = Start("/NODISCOVERY /SKIPUPDATE /UP");
  ASSERT_TRUE(start);
  ASSERT_TRUE(wizard_.Check(start, IDC_OPTION_INSTALL));
  EXPECT_EQ(NextAndAnswer(),
            "ATTENZIONE!!\n\nNon è stata rilevata nessuna Piattaforma ZAV per cui installare "
            "l'unità periferica.");
  EXPECT_EQ(wizard_.PageIdAt(1), IDD_WIZ_NOTSUPPORTED);
}

TEST_F(WizardE2E, RestoreGoesStraightToTheInstallPage) {
  Install("F:\\ZAV\\PM00123\\", "00123", "2021");
  // No update server here: the restore's first request is refused at once (nothing listens
  // on port 9), and its question ends the setup.
  SetEnvironmentVariableA("http_proxy", "http://127.0.0.1:9");
  HWND start = Start();
  SetEnvironmentVariableA("http_proxy", nullptr);
  ASSERT_TRUE(start && wizard_.Check(start, IDC_OPTION_RESTORE));
  wizard_.Press(PSBTN_NEXT);
  // The refused request's box may already cover the page.
  ASSERT_TRUE(WaitUntil([&] { return wizard_.log().Has("[  INFO] Sheet active -> WIZ_INSTALL"); }));
  HWND install = CurrentPage(wizard_.sheet());
  EXPECT_EQ(ControlText(install, IDC_INSTALL_GROUP), "Ripristino in corso");
  const Box problem = wizard_.WaitForBox();
  EXPECT_TRUE(wizard_.Answer(problem, IDCANCEL)) << problem.text;
  EXPECT_EQ(wizard_.WaitForExit(), 0u);
}

TEST_F(WizardE2E, TheGuideLinkOpensTheInstallationGuide) {
  RecordingBrowser browser;
  HWND page = NextWith(Start(), IDC_OPTION_INSTALL, "WIZ_PMNEW");
  ASSERT_TRUE(page);
  PostMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_PMNEW_GUIDE, STN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(page, IDC_PMNEW_GUIDE)));
  ASSERT_TRUE(WaitUntil([] { return !ReadTextFile(RecordingBrowser::url_file()).empty(); }));
  EXPECT_EQ(ReadTextFile(RecordingBrowser::url_file()), GuideUrl() + "\n");
  EXPECT_TRUE(wizard_.log().Has("[  INFO] Opening guide to browser"));
}

TEST_F(WizardE2E, DiscoveryBlinksOnTheListPageUntilItEnds) {
  Install("F:\\ZAV\\PM00123\\", "00123", "2020");
  ScopedHandle end(CreateEventA(nullptr, TRUE, FALSE, "ZAV_TEST_DISCOVERY_END"));
  ASSERT_TRUE(wizard_.Start("/SKIPUPDATE", UnixToWindowsPath(ZAV_HELD_DISCOVERY_EXE)));
  HWND list = NextWith(wizard_.WaitForPage("WIZ_START"), IDC_OPTION_INSTALL, "WIZ_PMSELECT");
  ASSERT_TRUE(list);
  HWND icon = GetDlgItem(list, IDC_DISCOVERY_ICON);
  HWND text = GetDlgItem(list, IDC_DISCOVERY_TEXT);
  EXPECT_TRUE(IsWindowVisible(text));
  for (bool shown : {false, true, false, true})  // the icon blinks
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(icon) == shown; })) << shown;
  wizard_.Screenshot("wiz_pmselect_discovery");

  SetEvent(end.get());
  // The list's lines follow the end's line: wait for the second one (start-up, list end).
  ASSERT_TRUE(WaitUntil(
      [&] { return wizard_.log().MessagesWith("[  INFO] PM 00123-1 (2020) ").size() >= 2; }));
  EXPECT_TRUE(wizard_.log().Has("[  INFO] Full list detected after net discovery"));
  EXPECT_FALSE(IsWindowVisible(icon));
  EXPECT_FALSE(IsWindowVisible(text));
  EXPECT_EQ(wizard_.log().MessagesWith("[  INFO] PM 00123-1 (2020) ").size(), 2u);
}

// The page the wizard never leads to, shown by selecting it directly so that its layout can
// be looked at.
TEST_F(WizardE2E, LayoutOfThePagesNotReachedHere) {
  ASSERT_TRUE(Start());
  PostMessageA(wizard_.sheet(), PSM_SETCURSELID, 0, IDD_WIZ_NOTSUPPORTED);
  HWND notsupported = wizard_.WaitForPage("WIZ_NOTSUPPORTED");
  ASSERT_TRUE(notsupported);
  EXPECT_EQ(ControlText(notsupported, IDC_NOTSUPPORTED_NOTE),
            "Si avvisa che Rivaduz ZAV, in merito a quanto sopra, non supporterà in assistenza "
            "sistemi operativi precedenti a Windows 7.");
  wizard_.Screenshot("wiz_notsupported");
  // The end page does the installation's end work when shown: it is looked at after a real
  // installation (install_e2e_test).
}

TEST(WizardResources, StringTableOfTheSetupInWindows1252) {
  HMODULE setup = LoadLibraryExA(SetupExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_TRUE(setup);
  const struct {
    unsigned id;
    const char* text;
  } strings[] = {
      {150, "Installazione"},
      {151, "Selezione percorso"},
      {152, "Conferma installazione"},
      {200, "Sistema operativo non conforme"},
      {201, "Procedura di autenticazione"},
      {204, "Installazione"},
      {205, "Leggere l'avviso attentamente"},
      {206, "Inserire le credenziali di autenticazione"},
      {209, "Download ed installazione componenti"},
      {210, "Selezione del codice ufficio da installare"},
      {211, "Sono state rilevate più installazioni precedenti della piattaforma"},
      {1001,
       "Si consiglia di chiudere tutte le applicazioni attive prima di procedere.\n\n\nPer "
       "interrompere ora le operazioni premere Annulla.\nPer consultare la Guida premere \"?\"."},
      {1005, "Rivaduz ZAV - Installazione"},
      {1006,
       "L'installazione e l'uso del programma in sistemi operativi diversi da Windows 7 e "
       "successivi potrebbe causare il malfunzionamento e causare errori imprevedibili.\n\n"},
      {1007,
       "Si avvisa che Rivaduz ZAV, in merito a quanto sopra, non supporterà in assistenza "
       "sistemi operativi precedenti a Windows 7."},
  };
  for (const auto& s : strings) {
    char text[1000] = {};
    LoadStringA(setup, s.id, text, sizeof(text));
    EXPECT_EQ(std::string(text), s.text) << s.id;
  }
  FreeLibrary(setup);
}

}  // namespace
