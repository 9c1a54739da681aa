// The real ZAV2021.exe under Wine: single instance, help and error boxes, share mode, log bytes.
#include <gtest/gtest.h>
#include <windows.h>

#include <regex>
#include <vector>

#include "log/setup_log.h"
#include "support/process.h"
#include "support/setup_runner.h"
#include "support/temp_folder.h"
#include "support/ui_driver.h"

namespace {

const DWORD kStartTimeout = 60000;

// The box shows the whole help: the original two lines, then the unattended switches.
const std::string kHelp =
    "Sintassi del comando:\n\n/UP \t= Installazione silenziosa unit\xE0 periferica\n/?\t= Questo "
    "help\n\nInstallazione automatica, senza finestre (esito nel codice di uscita):\n"
    "/QUIET /NEWOFFICE | /ADDPC | /UP | /RESTORE\n"
    "/OFFICE=<codice ufficio>\t/PASSWORD=<password> o /PASSWORDFILE=<file>\n"
    "/DIR=<unit\xE0 o cartella>\t/SHARING=YES|NO\t/NETWORKUNIT=YES|NO\n"
    "/ACCEPTINVALID\t/IGNORELOCK\t/RETRIES=<n>\t/RETRYWAIT=<secondi>\n"
    "/PROXYUSER=<utente>\t/PROXYPASSWORD=<password>";

class EntryPointE2E : public testing::Test {
 protected:
  void SetUp() override { DeleteLog(); }
};

}  // namespace

TEST_F(EntryPointE2E, HelpSwitchShowsSyntaxAndEndsWithZero) {
  for (const char* args : {"/?", "/UP /? /DEV", "/ ? "}) {
    SCOPED_TRACE(args);
    // Each interactive run starts a new log: an earlier run's lines are gone.
    CreateDirectoryA(GetLogFolder().c_str(), nullptr);
    ASSERT_TRUE(WriteTextFile(GetLogFilePath(), "[20200101@00:00:00:000] [  INFO] old run\r\n"));
    const SetupRun run = RunSetup(args, true);
    ASSERT_TRUE(run.had_box);
    EXPECT_EQ(run.caption, "Informazioni");
    EXPECT_EQ(run.text, kHelp);
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exit_code, 0u);
    const std::vector<std::string> log = LogMessages();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log.front(), "[  INFO] Start application");
    EXPECT_FALSE(HasMessage(log, "[  INFO] old run"));
    EXPECT_TRUE(HasMessage(log, std::string("[  INFO] Command line provided -> ") + args));
    EXPECT_TRUE(
        HasMessage(log, std::string("[  INFO] Current installed version -> ") + ZAV_VERSION_TEXT));
    EXPECT_EQ(log.back(), "[**  ERR] InitFailed");
  }
}

TEST_F(EntryPointE2E, CommandLineWithoutSlashIsRefused) {
  for (const char* args : {"UP", "   ", "\"C:\\percorso con spazi\\\""}) {
    SCOPED_TRACE(args);
    const SetupRun run = RunSetup(args, true);
    ASSERT_TRUE(run.had_box);
    EXPECT_EQ(run.caption, "Informazioni");
    EXPECT_EQ(run.text, "Attenzione comando errato.\n\n" + kHelp);
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exit_code, 0u);
    EXPECT_EQ(LogMessages().back(), "[**  ERR] InitFailed");
  }
}

TEST_F(EntryPointE2E, SecondInstanceExitsWithOneAndLeavesTheLogAlone) {
  ChildProcess first;
  // Lower-case switches act like upper-case ones: here the discovery thread stays off.
  ASSERT_TRUE(first.Start(SetupExePath(), "/nodiscovery /skipupdate"));
  HWND sheet = WaitForSheet(first.pid(), kStartTimeout);
  ASSERT_NE(sheet, nullptr) << "the first setup never showed its window";
  const std::string before = ReadTextFile(GetLogFilePath());
  ASSERT_NE(before.find("[  INFO] Start application"), std::string::npos);
  EXPECT_NE(before.find("[  INFO] Network discovery not started due to switch on commandline"),
            std::string::npos);

  for (const char* args : {"", "/?", "/UP", "   "}) {
    SCOPED_TRACE(args);
    const SetupRun run = RunSetup(args, false);
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exit_code, 1u);
    EXPECT_TRUE(TopLevelWindows(GetCurrentProcessId()).empty());
  }
  EXPECT_EQ(ReadTextFile(GetLogFilePath()), before);

  // Closing the wizard ends the first setup with 0; then a new one may start.
  ASSERT_EQ(PressSheetButton(sheet, PSBTN_CANCEL, kStartTimeout), PressOutcome::kClosed);
  DWORD code = 0xFFFF;
  ASSERT_TRUE(first.Wait(kStartTimeout, &code));
  EXPECT_EQ(code, 0u);
  const SetupRun after = RunSetup("/?", true);
  EXPECT_TRUE(after.had_box);
  EXPECT_EQ(after.exit_code, 0u);
}

TEST_F(EntryPointE2E, ShareModeAppendsToTheRunningSetupsLog) {
  // The interactive instance holds the mutex while the share instance runs.
  HANDLE held = CreateMutexA(nullptr, TRUE, "RivaduzZAV_Setup");
  const std::string before = "[20261208@10:00:00:000] [  INFO] Start application\r\n";
  CreateDirectoryA(GetLogFolder().c_str(), nullptr);
  ASSERT_TRUE(WriteTextFile(GetLogFilePath(), before));

  SetupRun run = RunSetup(" /SHARE=01234", false);
  ASSERT_TRUE(run.ended);
  EXPECT_EQ(run.exit_code, 0u);
  std::vector<std::string> log = LogMessages();
  const std::vector<std::string> expected = {
      "[  INFO] Start application", "[  INFO] -------> External privileges set begin",
      "[  INFO] -------> Command line -> SHARE=01234",
      "[* WARN] -------> Command line not formatted correctly (; not found)",
      "[  INFO] -------> External privileges set end"};
  EXPECT_EQ(log, expected);

  TempFolder temp;
  const std::string missing = temp.Sub("manca;ancora");
  run = RunSetup(" /SHARE=01234;" + missing, false);
  ASSERT_TRUE(run.ended);
  EXPECT_EQ(run.exit_code, 3u);
  log = LogMessages();
  EXPECT_EQ(log.front(), "[  INFO] Start application");
  EXPECT_TRUE(HasMessage(log, "[  INFO] -------> Share folder -> " + missing));
  EXPECT_TRUE(HasMessage(log, "[  INFO] -------> PM -> 01234"));
  EXPECT_TRUE(HasMessage(log, "[* WARN] -------> Folder " + missing + " not found"));

  // Empty office code or folder: no share, a clear failure code, nothing else touched.
  run = RunSetup(" /SHARE=;" + temp.path(), false);
  ASSERT_TRUE(run.ended);
  EXPECT_EQ(run.exit_code, 87u);
  EXPECT_TRUE(FolderEntries(temp.path()).empty()) << "the share instance wrote into the folder";
  run = RunSetup(" /SHARE=01234;", false);
  ASSERT_TRUE(run.ended);
  EXPECT_EQ(run.exit_code, 3u);
  EXPECT_EQ(LogMessages().front(), "[  INFO] Start application");

  ReleaseMutex(held);
  CloseHandle(held);
}

TEST_F(EntryPointE2E, LowerCaseShareIsNotShareMode) {
  const SetupRun run = RunSetup("/share=01234;C:\\ /?", true);
  ASSERT_TRUE(run.had_box);
  EXPECT_EQ(run.text, kHelp);
  ASSERT_TRUE(run.ended);
  EXPECT_EQ(run.exit_code, 0u);
  const std::vector<std::string> log = LogMessages();
  EXPECT_EQ(log.front(), "[  INFO] Start application");  // a fresh interactive log
  for (const std::string& m : log) EXPECT_EQ(m.find("------->"), std::string::npos) << m;
}

TEST_F(EntryPointE2E, LogBytesAreTimestampedCrLfWindows1252) {
  const std::string args = "/\xE0\xE8\xE9 \"citato\" /?";
  const SetupRun run = RunSetup(args, true);
  ASSERT_TRUE(run.ended);
  const std::string bytes = ReadTextFile(GetLogFilePath());
  ASSERT_FALSE(bytes.empty());
  const std::regex line(
      R"(\[\d{8}@\d{2}:\d{2}:\d{2}:\d{3}\] \[(  INFO|\* WARN|\*\*  ERR)\] [^\r\n]*\r\n)");
  size_t position = 0;
  int count = 0;
  for (std::sregex_iterator it(bytes.begin(), bytes.end(), line), end; it != end; ++it) {
    EXPECT_EQ(static_cast<size_t>(it->position()), position) << "unexpected bytes before a line";
    position = it->position() + it->length();
    ++count;
  }
  EXPECT_EQ(position, bytes.size());
  EXPECT_GE(count, 3);
  EXPECT_NE(bytes.find("Command line provided -> " + args + "\r\n"), std::string::npos);
  SYSTEMTIME now;
  GetLocalTime(&now);
  char year[8];
  wsprintfA(year, "[%04d", now.wYear);
  EXPECT_EQ(bytes.compare(0, 5, year), 0);
}

TEST_F(EntryPointE2E, HostileCommandLinesEndCleanly) {
  // The longest command line Windows passes (a 100,000-character one cannot be passed at
  // all), ending with the help switch. Nothing lands in the current folder.
  TempFolder current;
  std::string big(32000, 'A');
  SetupRun run = RunSetup(big + " /?", true, 60000, current.path());
  ASSERT_TRUE(run.had_box);
  ASSERT_TRUE(run.ended);
  EXPECT_EQ(run.exit_code, 0u);
  EXPECT_NE(ReadTextFile(GetLogFilePath()).find(big), std::string::npos);
  EXPECT_TRUE(FolderEntries(current.path()).empty());

  run = RunSetup(big, true);  // no slash at all
  ASSERT_TRUE(run.had_box);
  EXPECT_EQ(run.text.rfind("Attenzione comando errato.", 0), 0u);
  ASSERT_TRUE(run.ended);
  EXPECT_EQ(run.exit_code, 0u);

  run = RunSetup("\"/UP\" /..\\x:y*<>| /\"\xFF\x80\" /?", true, 60000, current.path());
  ASSERT_TRUE(run.had_box);
  ASSERT_TRUE(run.ended);
  EXPECT_EQ(run.exit_code, 0u);
  EXPECT_TRUE(FolderEntries(current.path()).empty());
}

TEST_F(EntryPointE2E, NetworkDiscoveryRunsBesideTheWizardAndEndsWithIt) {
  ChildProcess setup;
  ASSERT_TRUE(setup.Start(SetupExePath(), "/SKIPUPDATE"));
  HWND sheet = WaitForSheet(setup.pid(), kStartTimeout);
  ASSERT_NE(sheet, nullptr);
  ASSERT_TRUE(WaitForLogMessage("[  INFO] Network share discovery ends", kStartTimeout));
  DWORD code = 0xFFFF;
  EXPECT_FALSE(setup.Wait(0, &code)) << "the setup ended on its own with " << code;
  ASSERT_EQ(PressSheetButton(sheet, PSBTN_CANCEL, kStartTimeout), PressOutcome::kClosed);
  ASSERT_TRUE(setup.Wait(kStartTimeout, &code));
  EXPECT_EQ(code, 0u);
  const std::vector<std::string> log = LogMessages();
  EXPECT_FALSE(
      HasMessage(log, "[  INFO] Network discovery not started due to switch on commandline"));
  for (const std::string& m : log) EXPECT_EQ(m.rfind("[**  ERR]", 0), std::string::npos) << m;
}
