// The download sequence, placement and restore, headless against the loopback server with
// real 7z packages and real files.
#include "engine/install_engine.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "engine/archive_extractor.h"
#include "engine_test_util.h"
#include "sys/log_capture.h"
#include "net/folder_checksum.h"
#include "scripted_ui.h"
#include "support/temp_folder.h"
#include "sys/fs_utils.h"

namespace {

const char kPhase1[] = "[  INFO] Install phase 1 - Moltra download";
const char kPhase2[] = "[  INFO] Install phase 2 - Qel xml check";
const char kPhase3[] = "[  INFO] Install phase 3 - Qel archive download";
const char kPhase4[] = "[  INFO] Install phase 4 - Moltra install";
const char kPhase5[] = "[  INFO] Install phase 5 - Qel install";

// One installation run: parameters below a fresh folder, a script, the log since the start.
struct Install {
  TempFolder temp;
  InstallParams params = TestInstallParams(temp.path());
  ScriptedUi ui;
  LogCapture log;
  InstallEngine* engine = nullptr;  // never freed, as in the product: requests point at it

  // Serves the client manifest naming `archive_url` and the checksum of `version`.
  void ServeManifest(const std::string& archive_url, const std::string& checksum = "0") {
    params.qel_manifest_url = ServeText(UniqueName("qel.xml"), ManifestText(archive_url, checksum));
  }
  void ServeAll() {
    params.moltra_archive_url = ServeFile(UniqueName("moltra.7z"), Package("moltra.7z"));
    ServeManifest(ServeFile(UniqueName("qel.7z"), Package("qel.7z")));
  }
  bool Go(void (InstallEngine::*start)() = &InstallEngine::StartPhase1) {
    engine = new InstallEngine(params, ui);
    (engine->*start)();
    const bool done = ui.RunUntilDone();
    if (engine->install_thread) WaitForSingleObject(engine->install_thread, 30000);
    return done;
  }
  std::string Office(const std::string& rel) const { return params.office_root + "\\ZAV2021\\" + rel; }
  std::string Bin(const std::string& rel) const { return params.client_bin_folder + rel; }
};

TEST(InstallEngineRules, PercentagesAndCaptions) {
  const struct { int bytes, length, percent; } downloads[] = {
      {5000, 10000, 50}, {50, 99, -1}, {0, 0, -1}, {10000, 10000, 100}, {199, 200, 50},
      {12345, 1000000, 1}};
  for (const auto& c : downloads)
    EXPECT_EQ(c.percent, DownloadPercent(c.bytes, c.length)) << c.bytes << "/" << c.length;
  const struct { uint32_t done, total; int percent; } extracts[] = {
      {50, 200, 25}, {199, 200, 99}, {0, 0, 0}, {7, 7, 100}};
  for (const auto& c : extracts) EXPECT_EQ(c.percent, ExtractPercent(c.done, c.total));
  EXPECT_EQ("DEV - Rivaduz ZAV - Installazione - Attenzione", UpdateBoxCaption(0));
  EXPECT_EQ("TEST - Rivaduz ZAV - Installazione - Attenzione", UpdateBoxCaption(1));
  EXPECT_EQ("Rivaduz ZAV - Installazione - Attenzione", UpdateBoxCaption(2));
}

TEST(InstallEngine, FullFirstInstallationFromTheServer) {
  Install run;
  run.ServeAll();
  ASSERT_TRUE(run.Go());
  EXPECT_TRUE(run.ui.finished());
  EXPECT_EQ(-1, run.ui.end_code());
  EXPECT_TRUE(run.ui.boxes().empty());
  EXPECT_EQ((std::vector<std::string>{"Fase 1 di 4 - Download componenti",
                                      "Fase 2 di 4 - Download componenti",
                                      "Fase 2 di 4 - Verifica componenti",
                                      "Fase 2 di 4 - Download componenti",
                                      "Fase 3 di 4 - Installazione componenti",
                                      "Fase 4 di 4 - Installazione componenti"}),
            run.ui.phase_texts());
  const std::string qel_size = std::to_string(FileSize(Package("qel.7z")));
  EXPECT_TRUE(InOrder(run.log.Messages(),
                      {kPhase1, "[  INFO] Moltra download finished -> " +
                                    std::to_string(FileSize(Package("moltra.7z"))),
                       kPhase2, "[  INFO] Start checking qel xml -> " + run.params.qel_manifest_url,
                       kPhase3, "[  INFO] Qel archive download finished -> " + qel_size, kPhase4,
                       "[  INFO] Starting Moltra decompression", kPhase5,
                       "[  INFO] Starting Qel decompression",
                       "[  INFO] Switching qel launcher with newer"}));
  EXPECT_EQ(ReadTextFile(Package("qel.7z")), ReadTextFile(run.params.qel_archive_path));
  EXPECT_EQ("runtime", ReadTextFile(run.Office("HOME\\BIN\\wrun32.exe")));
  EXPECT_EQ(run.params.office_root + "\\ZAV2021\\", run.engine->year_path);
  EXPECT_EQ("launcher", ReadTextFile(run.Bin("qel.exe")));
  EXPECT_FALSE(FileExists(run.Bin("new_qel.exe")));
  EXPECT_EQ("core", ReadTextFile(run.Bin("1.0.0.7\\core.dll")));
  for (int percent : run.ui.percents()) EXPECT_TRUE(percent >= 0 && percent <= 100);
  EXPECT_EQ(5, run.engine->install_state);
}

TEST(InstallEngine, ExistingLauncherStaysAndTheNewOneIsKeptBeside) {
  Install run;
  run.ServeAll();
  CreateDirectoryTree(run.Bin(""));
  WriteTextFile(run.Bin("qel.exe"), "vecchio");
  ASSERT_TRUE(run.Go());
  EXPECT_TRUE(run.log.Has("[  INFO] Qel launcher already exists, no switch provided"));
  EXPECT_EQ("vecchio", ReadTextFile(run.Bin("qel.exe")));
  EXPECT_EQ("launcher", ReadTextFile(run.Bin("new_qel.exe")));
}

// Runtime year installed or local packages beside the setup: the server is never asked
// (its URLs here would fail at once).
TEST(InstallEngine, SkipsWithoutAnyRequest) {
  const struct { const char* name; const char* selected_year; bool local_moltra; } cases[] = {
      {"runtime year installed", "2021", false}, {"both local packages", "", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Install run;
    run.params.selected_year = c.selected_year;
    run.params.moltra_archive_url = run.params.qel_manifest_url = "nessuno";
    if (c.local_moltra) CopyFileA(Package("moltra.7z").c_str(), run.params.moltra_local_candidate.c_str(), FALSE);
    CopyFileA(Package("qel.7z").c_str(), run.params.qel_local_candidate.c_str(), FALSE);
    ASSERT_TRUE(run.Go());
    EXPECT_TRUE(run.ui.finished());
    EXPECT_EQ(nullptr, run.engine->current_request);
    EXPECT_EQ(c.local_moltra,
              run.log.Has("[* WARN] Install phase 1 - Moltra download skipped, detected local "
                          "package for Moltra install, using it"));
    EXPECT_EQ(!c.local_moltra,
              run.log.Has("[  INFO] Install phase 1 - Moltra download skipped, already installed"));
    EXPECT_TRUE(run.log.Has("[* WARN] Install phase 2 - Qel xml check skipped, detected local "
                            "package for QEL install, using it"));
    EXPECT_FALSE(run.log.Has(kPhase3));
    EXPECT_EQ(!c.local_moltra,
              run.log.Has("[  INFO] Install phase 4 - Moltra install skipped, already installed"));
    EXPECT_EQ(c.local_moltra, FileExists(run.Office("FILES\\uffaut")));
    EXPECT_EQ("launcher", ReadTextFile(run.Bin("qel.exe")));
  }
}

// An installed client elsewhere on the disk: copied when its checksum matches the manifest,
// otherwise the archive is downloaded and unpacked.
TEST(InstallEngine, InstalledClientCopiedWhenValidDownloadedWhenDamaged) {
  for (bool damaged : {false, true}) {
    SCOPED_TRACE(damaged ? "damaged" : "valid");
    Install run;
    const std::string installed = run.temp.Sub("vecchio\\BIN");
    CreateDirectoryTree(installed);
    ASSERT_EQ(0u, ExtractArchive(Package("qel.7z"), installed + "\\", nullptr, {}));
    MoveFileA((installed + "\\new_qel.exe").c_str(), (installed + "\\qel.exe").c_str());
    const std::string checksum = FolderChecksum(installed, "1.0.0.7");
    if (damaged) WriteTextFile(installed + "\\1.0.0.7\\core.dll", "rotto");
    run.params.qel_folder = installed;
    run.params.selected_year = "2021";
    run.ServeManifest(ServeFile(UniqueName("qel.7z"), Package("qel.7z")), checksum);
    ASSERT_TRUE(run.Go());
    EXPECT_TRUE(run.ui.finished());
    EXPECT_EQ(!damaged, run.log.Has("[  INFO] Install phase 3 - Qel archive download skipped, "
                                    "detected valid Qel installation"));
    EXPECT_EQ(damaged, run.log.Has("[  INFO] Starting Qel decompression"));
    EXPECT_EQ(!damaged, run.log.Has("[  INFO] Install phase 5 - Qel copy instead of decompress "
                                    "-> from " + installed + " to " + run.Bin("")));
    EXPECT_EQ("core", ReadTextFile(run.Bin("1.0.0.7\\core.dll")));
    EXPECT_EQ("launcher", ReadTextFile(run.Bin("qel.exe")));
  }
}

TEST(InstallEngine, ClientFoundInItsOwnFolderIsNeitherCopiedNorUnpacked) {
  Install run;
  CreateDirectoryTree(run.Bin(""));
  ASSERT_EQ(0u, ExtractArchive(Package("qel.7z"), run.Bin(""), nullptr, {}));
  run.params.qel_folder = ToUpperCopy(run.params.client_bin_folder);
  run.params.selected_year = "2021";
  run.ServeManifest(ServeFile(UniqueName("qel.7z"), Package("qel.7z")),
                    FolderChecksum(run.Bin(""), "1.0.0.7"));
  ASSERT_TRUE(run.Go());
  EXPECT_TRUE(run.ui.finished());
  EXPECT_TRUE(run.log.Has("[  INFO] Install phase 5 - Qel install skipped, already installed, "
                          "no need to copy or decompress"));
}

// Every failure of phases 1 to 3 logs its line and asks Retry/Cancel; Cancel ends with 0
// and the next phase never starts.
TEST(InstallEngine, ConnectionFailuresOfEachPhaseAskRetryOrCancel) {
  const struct { const char* path; const char* line[3]; } kinds[] = {
      {"/status/404", {"[* WARN] Connection error phase 1 -> 404", "[* WARN] Connection error phase 2 -> 404", "[* WARN] Connection error phase 3 -> 404"}},
      {"/short/1000", {"[* WARN] Download Moltra not completed -> 999 -> 1000", "[* WARN] Download QEL Xml not completed -> 999 -> 1000", "[* WARN] Download QEL not completed -> 999 -> 1000"}},
      {"/reset", {"[* WARN] Connection error phase 1 -> 0", "[* WARN] Connection error phase 2 -> 0", "[* WARN] Connection error phase 3 -> 0"}},
      {"/stall/1", {"[* WARN] Connection error phase 1 -> 0", "[* WARN] Connection error phase 2 -> 0", "[* WARN] Connection error phase 3 -> 0"}},
  };
  const char* next[3] = {kPhase2, kPhase3, kPhase4};
  for (const auto& kind : kinds) {
    for (int phase = 1; phase <= 3; ++phase) {
      SCOPED_TRACE(std::string(kind.path) + " phase " + std::to_string(phase));
      Install run;
      const std::string bad = TestServerUrl(kind.path);
      run.ServeAll();
      if (phase == 1) run.params.moltra_archive_url = bad;
      if (phase == 2) run.params.qel_manifest_url = bad;
      if (phase == 3) run.ServeManifest(bad);
      ASSERT_TRUE(run.Go());
      EXPECT_EQ(0, run.ui.end_code());
      EXPECT_TRUE(run.log.Has(kind.line[phase - 1]));
      EXPECT_FALSE(run.log.Has(next[phase - 1]));
      ASSERT_EQ(1u, run.ui.boxes().size());
      const ShownBox box = run.ui.boxes()[0];
      EXPECT_EQ(kConnectionProblemText, box.text);
      EXPECT_EQ("Attenzione", box.caption);
      EXPECT_EQ(static_cast<unsigned>(MB_RETRYCANCEL), box.type & MB_TYPEMASK);
      EXPECT_EQ(BoxOwner::kPage, box.owner);
    }
  }
}

TEST(InstallEngine, RetryRepeatsThePhaseUntilItSucceeds) {
  for (int phase = 1; phase <= 3; ++phase) {
    SCOPED_TRACE(phase);
    Install run;
    run.ServeAll();
    // The phase's file is missing at first (404) and appears before Retry is pressed.
    const std::string name = UniqueName("late");
    const std::string late = TestServerUrl("/files/" + name);
    std::string content = ReadTextFile(Package(phase == 1 ? "moltra.7z" : "qel.7z"));
    if (phase == 1) run.params.moltra_archive_url = late;
    if (phase == 2) {
      content = ManifestText(ServeFile(UniqueName("qel.7z"), Package("qel.7z")), "0");
      run.params.qel_manifest_url = late;
    }
    if (phase == 3) run.ServeManifest(late);
    run.ui.box_answers = {IDRETRY};
    run.ui.before_answer = [&](const ShownBox&) { ServeText(name, content); };
    ASSERT_TRUE(run.Go());
    EXPECT_TRUE(run.ui.finished());
    EXPECT_EQ(1u, run.ui.boxes().size());
    EXPECT_EQ("launcher", ReadTextFile(run.Bin("qel.exe")));
  }
}

// A proxy asking for credentials: a prompt per 407, the phase repeated after each entry,
// the end (code 0) when the prompt is cancelled or fails in any other way.
TEST(InstallEngine, ProxyCredentialsPromptedUntilCancelled) {
  const struct { std::deque<unsigned long> results; int prompts, set_lines; } scripts[] = {
      {{0, 0, ERROR_CANCELLED}, 3, 2},
      {{ERROR_INVALID_FLAGS}, 1, 0},  // a broken prompt must not loop
  };
  for (const auto& script : scripts) {
    for (int phase = 1; phase <= 3; ++phase) {
      SCOPED_TRACE(phase);
      Install run;
      run.ServeAll();
      const std::string proxy = TestServerUrl("/status/407");
      if (phase == 1) run.params.moltra_archive_url = proxy;
      if (phase == 2) run.params.qel_manifest_url = proxy;
      if (phase == 3) run.ServeManifest(proxy);
      run.ui.prompt_results = script.results;
      ASSERT_TRUE(run.Go());
      EXPECT_EQ(0, run.ui.end_code());
      EXPECT_EQ(script.prompts, run.ui.prompts());
      EXPECT_TRUE(run.ui.boxes().empty());
      EXPECT_EQ(script.set_lines, static_cast<int>(run.log.MessagesWith("[  INFO] Proxy credential set").size()));
      EXPECT_EQ(1u, run.log.MessagesWith("[* WARN] User cancelled proxy settings UI").size());
      EXPECT_EQ(script.prompts, static_cast<int>(run.log.MessagesWith(
                                    "[* WARN] Connection error phase " + std::to_string(phase) + " -> 407").size()));
      if (script.set_lines) {
        EXPECT_EQ("utente", run.engine->proxy_user);
      }
    }
  }
}

// A manifest without an archive URL, an archive URL the request refuses, and a package that
// cannot be written all reach Retry/Cancel instead of going on or waiting forever.
TEST(InstallEngine, BadManifestsAndUnwritablePackagesFailThePhase) {
  const struct { const char* name; int phase; } cases[] = {
      {"no download_url", 2}, {"no scheme separator", 3}, {"moltra unwritable", 1},
      {"qel unwritable", 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Install run;
    run.ServeAll();
    std::string expected;
    if (c.phase == 2) {
      const std::string text = "<rel><number>1.0.0.7</number><checksum>0</checksum></rel>";
      run.params.qel_manifest_url = ServeText(UniqueName("qel.xml"), text);
      expected = "[* WARN] Download QEL Xml not completed -> " + std::to_string(text.size()) +
                 " -> " + std::to_string(text.size());
    } else if (std::string(c.name) == "no scheme separator") {
      run.ServeManifest("archivio/qel.7z");
      expected = "[* WARN] Connection error phase 3 -> -1";
    } else {
      std::string& target = c.phase == 1 ? run.params.moltra_archive_path : run.params.qel_archive_path;
      target = run.temp.Sub("manca\\pacchetto.7z");
      expected = "[**  ERR] Cannot write package " + target + " -> 3";
    }
    ASSERT_TRUE(run.Go());
    EXPECT_EQ(0, run.ui.end_code());
    EXPECT_TRUE(run.log.Has(expected));
    ASSERT_EQ(1u, run.ui.boxes().size());
    EXPECT_EQ(kConnectionProblemText, run.ui.boxes()[0].text);
    EXPECT_FALSE(run.log.Has(c.phase == 1 ? kPhase2 : kPhase4));
  }
}

// A failed extraction: the message, the end with its code, and only what this run wrote
// is removed; files that were in the folder before stay.
TEST(InstallEngine, ExtractionErrorsRemoveOnlyWhatTheRunWrote) {
  {
    SCOPED_TRACE("phase 4, not an archive");
    Install run;
    run.params.qel_manifest_url = "nessuno";
    CopyFileA(Package("garbage.7z").c_str(), run.params.moltra_local_candidate.c_str(), FALSE);
    CopyFileA(Package("qel.7z").c_str(), run.params.qel_local_candidate.c_str(), FALSE);
    CreateDirectoryTree(run.Office("FILES"));
    WriteTextFile(run.Office("FILES\\dati_utente.txt"), "mio");
    ASSERT_TRUE(run.Go());
    EXPECT_EQ(6, run.ui.end_code());
    ASSERT_EQ(1u, run.ui.boxes().size());
    EXPECT_EQ("Errore 6 nella decompressione.", run.ui.boxes()[0].text);
    EXPECT_EQ("Errore", run.ui.boxes()[0].caption);
    EXPECT_EQ(BoxOwner::kSheet, run.ui.boxes()[0].owner);
    EXPECT_TRUE(run.log.Has("[**  ERR] Moltra decompression error -> 6"));
    EXPECT_TRUE(run.log.Has("[**  ERR] Delete destination path -> " + run.Office("")));
    EXPECT_EQ("mio", ReadTextFile(run.Office("FILES\\dati_utente.txt")));
    EXPECT_FALSE(run.log.Has(kPhase5));
  }
  {
    SCOPED_TRACE("phase 5, a folder in the way of the last file");
    Install run;
    run.params.selected_year = "2021";
    run.params.qel_manifest_url = "nessuno";
    CopyFileA(Package("qel_fails.7z").c_str(), run.params.qel_local_candidate.c_str(), FALSE);
    CreateDirectoryTree(run.Bin(""));
    CreateDirectoryTree(run.Bin("z_last.txt"));
    WriteTextFile(run.Bin("z_last.txt\\nota.txt"), "bloccato");
    WriteTextFile(run.Bin("preferenze.ini"), "mie");
    ASSERT_TRUE(run.Go());
    EXPECT_EQ(5, run.ui.end_code());
    ASSERT_EQ(1u, run.ui.boxes().size());
    EXPECT_EQ("Errore 5 nella decompressione.", run.ui.boxes()[0].text);
    EXPECT_TRUE(run.log.Has("[**  ERR] Qel decompression error -> 5"));
    EXPECT_TRUE(run.log.Has("[**  ERR] Delete destination path -> " + run.Bin("")));
    EXPECT_FALSE(FileExists(run.Bin("a_first.txt")));  // written by this run
    EXPECT_EQ("bloccato", ReadTextFile(run.Bin("z_last.txt\\nota.txt")));
    EXPECT_EQ("mie", ReadTextFile(run.Bin("preferenze.ini")));
  }
}

// Restore: the user data goes, the client is kept when it matches the manifest and is
// downloaded and unpacked over itself when it does not.
TEST(InstallEngine, RestoreRemovesUserDataAndRepairsTheClient) {
  for (bool damaged : {false, true}) {
    SCOPED_TRACE(damaged ? "damaged" : "valid");
    Install run;
    CreateDirectoryTree(run.params.user_data_folder + "\\Default");
    WriteTextFile(run.params.user_data_folder + "\\Default\\Cookies", "x");
    CreateDirectoryTree(run.Bin(""));
    ASSERT_EQ(0u, ExtractArchive(Package("qel.7z"), run.Bin(""), nullptr, {}));
    const std::string checksum = FolderChecksum(run.Bin(""), "1.0.0.7");
    if (damaged) WriteTextFile(run.Bin("1.0.0.7\\core.dll"), "rotto");
    run.params.qel_folder = run.Bin("");
    run.ServeManifest(ServeFile(UniqueName("qel.7z"), Package("qel.7z")), checksum);
    ASSERT_TRUE(run.Go(&InstallEngine::StartRestore));
    EXPECT_TRUE(run.ui.finished());
    EXPECT_EQ("Fase 1 di 4 - Ripristino funzionalità", run.ui.phase_texts().at(0));
    EXPECT_TRUE(InOrder(run.log.Messages(),
                        {"[  INFO] Restore mode",
                         "[  INFO] Removing User Data on path -> " + run.params.user_data_folder,
                         "[  INFO] Starting Qel checksum check", kPhase2, kPhase3, kPhase4,
                         "[  INFO] Install phase 4 - Moltra install skipped, already installed",
                         kPhase5}));
    EXPECT_FALSE(FileExists(run.params.user_data_folder));
    EXPECT_FALSE(run.log.Has(kPhase1));
    EXPECT_EQ(damaged, run.log.Has("[  INFO] Starting Qel decompression"));
    EXPECT_EQ("core", ReadTextFile(run.Bin("1.0.0.7\\core.dll")));
  }
}

}  // namespace
