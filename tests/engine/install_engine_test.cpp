// The download sequence, placement and restore, headless against the loopback server with
// real 7z packages and real files.
#include "engine/install_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "engine/archive_extractor.h"
#include "net/folder_checksum.h"
#include "net/wininet_wrapper.h"
#include "scripted_ui.h"
#include "support/setup_runner.h"
#include "sys/fs_utils.h"
#include "sys/log_capture.h"

namespace {

std::vector<std::string> Listing(const std::string& folder, const std::string& prefix = "");

const std::string kPhase[6] = {"",
                               "[  INFO] Install phase 1 - Moltra download",
                               "[  INFO] Install phase 2 - Qel xml check",
                               "[  INFO] Install phase 3 - Qel archive download",
                               "[  INFO] Install phase 4 - Moltra install",
                               "[  INFO] Install phase 5 - Qel install"};

// One run: parameters below a fresh folder, a script, the log from the start on.
struct Install {
  TempFolder temp;
  InstallParams params = TestInstallParams(temp.path());
  ScriptedUi ui;
  LogCapture log;
  InstallEngine* engine = nullptr;  // never freed, as in the product: requests point at it

  void ServeManifest(const std::string& archive_url, const std::string& checksum = "0") {
    params.qel_manifest_url = ServeText("qel.xml", ManifestText(archive_url, checksum));
  }
  // The server holds both packages; `phase` (1..3) gets `url` instead when given.
  void Serve(int phase = 0, const std::string& url = "") {
    params.moltra_archive_url = phase == 1 ? url : ServeFile("moltra.7z", Package("moltra.7z"));
    ServeManifest(phase == 3 ? url : ServeFile("qel.7z", Package("qel.7z")));
    if (phase == 2) params.qel_manifest_url = url;
  }
  // An installed client at `folder`; returns its checksum.
  std::string InstallClient(const std::string& folder) {
    CreateDirectoryTree(folder);
    EXPECT_EQ(0u, ExtractArchive(Package("qel.7z"), folder + "\\", nullptr, {}));
    return FolderChecksum(folder, "1.0.0.7");
  }
  bool Go(void (InstallEngine::*start)() = &InstallEngine::StartPhase1) {
    engine = new InstallEngine(params, ui);
    (engine->*start)();
    const bool done = ui.RunUntilDone();
    if (engine->install_thread) WaitForSingleObject(engine->install_thread, 30000);
    return done;
  }
  std::string Office(const std::string& rel) const {
    return params.office_root + "\\ZAV2021\\" + rel;
  }
  std::string Bin(const std::string& rel) const { return params.client_bin_folder + rel; }
};

TEST(InstallEngineRules, PercentagesAndCaptions) {
  const struct {
    int bytes, length, percent;
  } downloads[] = {
      {5000, 10000, 50}, {50, 99, -1}, {0, 0, -1}, {10000, 10000, 100}, {12345, 1000000, 1}};
  for (const auto& c : downloads) EXPECT_EQ(c.percent, DownloadPercent(c.bytes, c.length));
  EXPECT_EQ(25, ExtractPercent(50, 200));
  EXPECT_EQ(99, ExtractPercent(199, 200));
  EXPECT_EQ(0, ExtractPercent(0, 0));
  EXPECT_EQ("DEV - Rivaduz ZAV - Installazione - Attenzione", UpdateBoxCaption(0));
  EXPECT_EQ("TEST - Rivaduz ZAV - Installazione - Attenzione", UpdateBoxCaption(1));
  EXPECT_EQ("Rivaduz ZAV - Installazione - Attenzione", UpdateBoxCaption(2));
}

// Five phases in order, files in place, the launcher rule, the end message; over an
// existing launcher the new one is kept beside it.
TEST(InstallEngine, FullInstallationFromTheServer) {
  for (bool launcher_present : {false, true}) {
    Install run;
    run.Serve();
    if (launcher_present)
      CreateDirectoryTree(run.Bin("")), WriteTextFile(run.Bin("qel.exe"), "vecchio");
    ASSERT_TRUE(run.Go());
    EXPECT_TRUE(run.ui.finished);
    EXPECT_TRUE(run.ui.boxes.empty());
    EXPECT_EQ(
        (std::vector<std::string>{
            "Fase 1 di 4 - Download componenti", "Fase 2 di 4 - Download componenti",
            "Fase 2 di 4 - Verifica componenti", "Fase 2 di 4 - Download componenti",
            "Fase 3 di 4 - Installazione componenti", "Fase 4 di 4 - Installazione componenti"}),
        run.ui.phase_texts);
    EXPECT_TRUE(InOrder(
        run.log.Messages(),
        {kPhase[1],
         "[  INFO] Moltra download finished -> " + std::to_string(FileSize(Package("moltra.7z"))),
         kPhase[2], "[  INFO] Start checking qel xml -> " + run.params.qel_manifest_url, kPhase[3],
         "[  INFO] Qel archive download finished -> " + std::to_string(FileSize(Package("qel.7z"))),
         kPhase[4], "[  INFO] Starting Moltra decompression", kPhase[5],
         "[  INFO] Starting Qel decompression",
         launcher_present ? "[  INFO] Qel launcher already exists, no switch provided"
                          : "[  INFO] Switching qel launcher with newer"}));
    EXPECT_EQ(ReadTextFile(Package("qel.7z")), ReadTextFile(run.params.qel_archive_path));
    EXPECT_EQ("runtime", ReadTextFile(run.Office("HOME\\BIN\\wrun32.exe")));
    EXPECT_EQ(run.params.office_root + "\\ZAV2021\\", run.engine->year_path);
    EXPECT_EQ(launcher_present ? "vecchio" : "launcher", ReadTextFile(run.Bin("qel.exe")));
    EXPECT_EQ(launcher_present, FileExists(run.Bin("new_qel.exe")));
    EXPECT_EQ("core", ReadTextFile(run.Bin("1.0.0.7\\core.dll")));
    for (int percent : run.ui.percents) EXPECT_TRUE(percent >= 0 && percent <= 100);
    EXPECT_EQ(3u, run.log.MessagesWith("[  INFO] Signature verified -> ").size());
  }
}

// The runtime is unpacked while the client downloads (the server holds the client's last
// byte until the runtime's file is there), yet the user and the log see one phase after the
// other; a Cancel in the client's box removes it, a damaged one fails in its turn.
TEST(InstallEngine, TheRuntimeUnpacksWhileTheClientDownloads) {
  enum { kInstalled, kClientCancelled, kRuntimeDamaged };
  for (int c : {kInstalled, kClientCancelled, kRuntimeDamaged}) {
    SCOPED_TRACE(c);
    Install run;
    run.params.moltra_archive_url =
        ServeFile("moltra.7z", Package(c == kRuntimeDamaged ? "garbage.7z" : "moltra.7z"));
    std::string client = ServeFile("qel.7z", Package("qel.7z"));
    const std::string gate = TestServerRoot() + "\\" + client.substr(client.rfind('/') + 1);
    if (c == kInstalled) client = TestServerUrl("/gate/" + client.substr(client.rfind('/') + 1));
    if (c == kClientCancelled) client = TestServerUrl("/status/500");
    run.ServeManifest(client);
    const std::string runtime = run.Office("HOME\\BIN\\wrun32.exe");
    bool unpacked_early = false;
    const auto wait_for_runtime = [&] {
      for (DWORD start = GetTickCount(); !FileExists(runtime) && GetTickCount() - start < 60000;)
        Sleep(10);
      unpacked_early = FileExists(runtime);
    };
    std::thread opener;
    if (c == kInstalled)
      opener = std::thread([&] { wait_for_runtime(), WriteTextFile(gate + ".open", ""); });
    if (c == kClientCancelled) run.ui.before_answer = wait_for_runtime;
    std::atomic<int> texts{0}, texts_at_first_progress{-1};
    run.ui.on_phase_text = [&](const std::string&) { ++texts; };
    run.ui.on_extract = [&](uint32_t, uint32_t) {
      int none = -1;
      texts_at_first_progress.compare_exchange_strong(none, texts.load());
    };
    ASSERT_TRUE(run.Go());
    if (opener.joinable()) opener.join();
    DeleteFileA((gate + ".open").c_str());
    EXPECT_EQ(c != kRuntimeDamaged, unpacked_early);
    const std::string downloaded =
        "[  INFO] Qel archive download finished -> " + std::to_string(FileSize(Package("qel.7z")));
    if (c == kInstalled) {
      EXPECT_TRUE(run.ui.finished);
      EXPECT_EQ(6u, run.ui.phase_texts.size());
      EXPECT_EQ(5, texts_at_first_progress.load());  // not before "Fase 3 di 4"
      EXPECT_TRUE(InOrder(run.log.Messages(), {kPhase[3], downloaded, kPhase[4],
                                               "[  INFO] Starting Moltra decompression",
                                               kPhase[5], "[  INFO] Switching qel launcher with newer"}));
      EXPECT_EQ(1u, run.log.MessagesWith("[  INFO] Starting Moltra decompression").size());
      EXPECT_EQ("runtime", ReadTextFile(runtime));
      EXPECT_EQ("core", ReadTextFile(run.Bin("1.0.0.7\\core.dll")));
    } else if (c == kClientCancelled) {
      EXPECT_EQ(0, run.ui.end_code);
      EXPECT_TRUE(Listing(run.params.office_root).empty());
      EXPECT_FALSE(run.log.Has(kPhase[4]));
      EXPECT_FALSE(run.log.Has("[  INFO] Starting Moltra decompression"));
    } else {
      EXPECT_EQ(6, run.ui.end_code);
      ASSERT_EQ(1u, run.ui.boxes.size());
      EXPECT_EQ("Errore 6 nella decompressione.", run.ui.boxes[0].text);
      EXPECT_TRUE(InOrder(run.log.Messages(),
                          {downloaded, kPhase[4], "[**  ERR] Moltra decompression error -> 6"}));
      EXPECT_FALSE(run.log.Has(kPhase[5]));
    }
  }
}

// Every file the setup downloads, spoilt in each way a server on the path can spoil it:
// refused with its reason, deleted, and nothing unpacked, replaced or started. A component
// ends on Retry/Cancel with the signature message; the self-update on its failure box.
TEST(InstallEngine, EveryDownloadIsRefusedUnlessItsSignatureVerifies) {
  const struct {
    const char* kind;
    const char* reason;
  } spoils[] = {
      {"flip", "does not match"}, {"cut", "does not match"},       {"nosig", "missing"},
      {"otherkey", "wrong key"},  {"otherfile", "does not match"}, {"malformed", "malformed"}};
  const char* kFiles[] = {"runtime archive", "manifest", "client archive", "update information",
                          "update package"};
  char own[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, own, MAX_PATH);  // version 1.2.3.4
  for (const auto& spoil : spoils) {
    for (int file = 0; file < 5; ++file) {
      SCOPED_TRACE(std::string(kFiles[file]) + ", " + spoil.kind);
      Install run;
      run.Serve();
      std::string url;
      const auto spoilt = [&](const std::string& good) {
        url = good;
        return url.replace(url.find("/files/"), 7, "/tamper/" + std::string(spoil.kind) + "/");
      };
      if (file == 0) run.params.moltra_archive_url = spoilt(run.params.moltra_archive_url);
      if (file == 1) run.params.qel_manifest_url = spoilt(run.params.qel_manifest_url);
      if (file == 2) run.ServeManifest(spoilt(ServeFile("qel.7z", Package("qel.7z"))));
      if (file < 3) {
        ASSERT_TRUE(run.Go());
        EXPECT_EQ(0, run.ui.end_code);
        ASSERT_EQ(1u, run.ui.boxes.size());
        EXPECT_EQ(kSignatureProblemText, run.ui.boxes[0].text);
        EXPECT_EQ(static_cast<unsigned>(MB_RETRYCANCEL), run.ui.boxes[0].type & MB_TYPEMASK);
        EXPECT_FALSE(run.log.Has(kPhase[file + 2]));
        EXPECT_FALSE(
            FileExists(file == 0 ? run.params.moltra_archive_path : run.params.qel_archive_path));
        EXPECT_FALSE(FileExists(run.Office("")));
        EXPECT_FALSE(FileExists(run.Bin("")));
      } else {
        run.params.own_exe_path = run.temp.Sub("ZAV2021.exe");
        CopyFileA(own, run.params.own_exe_path.c_str(), FALSE);
        run.params.update_info_url = ServeText("setup.txt", "1.2.3.5");
        run.params.update_package_url = ServeFile("ZAV2021.7z", Package("update_new.7z"));
        std::string& target =
            file == 3 ? run.params.update_info_url : run.params.update_package_url;
        target = spoilt(target);
        run.engine = new InstallEngine(run.params, run.ui);
        run.engine->StartUpdateCheck();  // returns once the update dialog has ended
        EXPECT_EQ(-1, run.ui.end_code);
        EXPECT_TRUE(run.ui.dialog_ended);
        ASSERT_EQ(file == 3 ? 1u : 2u, run.ui.boxes.size());
        EXPECT_EQ(0u, run.ui.boxes.back().text.find("Impossibile completare l'operazione di "
                                                    "aggiornamento"));
        EXPECT_EQ(ReadTextFile(own), ReadTextFile(run.params.own_exe_path));
        EXPECT_FALSE(FileExists(run.params.update_package_path));
        EXPECT_FALSE(FileExists(run.params.update_temp_folder));
      }
      const std::string line = "[**  ERR] Signature check failed -> " + url + " -> " + spoil.reason;
      EXPECT_TRUE(run.log.Has(line)) << line;
    }
  }
}

// What is already there is not fetched: the runtime of the year, local packages (the
// server's URLs here would fail at once), an installed client that matches the manifest
// (copied into place), or one in the client folder itself (left as it is).
TEST(InstallEngine, SkipsWhatIsAlreadyThere) {
  const struct {
    const char* name;
    const char* year;
    bool local_moltra, local_qel;
    int client;
  } cases[] = {{"year installed, local client package", "2021", false, true, 0},
               {"both local packages", "", true, true, 0},
               {"valid client elsewhere", "2021", false, false, 1},
               {"damaged client elsewhere", "2021", false, false, 2},
               {"valid client in its own folder", "2021", false, false, 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Install run;
    run.params.selected_year = c.year;
    run.params.moltra_archive_url = run.params.qel_manifest_url = "nessuno";
    if (c.local_moltra)
      CopyFileA(Package("moltra.7z").c_str(), run.params.moltra_local_candidate.c_str(), FALSE);
    if (c.local_qel)
      CopyFileA(Package("qel.7z").c_str(), run.params.qel_local_candidate.c_str(), FALSE);
    if (c.client) {
      run.params.qel_folder = c.client == 3 ? ToUpperCopy(run.Bin("")) : run.temp.Sub("vecchio");
      const std::string checksum = run.InstallClient(run.params.qel_folder);
      if (c.client == 2) WriteTextFile(run.params.qel_folder + "\\1.0.0.7\\core.dll", "rotto");
      run.ServeManifest(ServeFile("qel.7z", Package("qel.7z")), checksum);
    }
    ASSERT_TRUE(run.Go());
    EXPECT_TRUE(run.ui.finished);
    EXPECT_EQ(c.local_moltra, run.log.Has("[* WARN] Install phase 1 - Moltra download skipped, "
                                          "detected local package for Moltra install, using it"));
    EXPECT_EQ(!c.local_moltra,
              run.log.Has("[  INFO] Install phase 1 - Moltra download skipped, already installed"));
    EXPECT_EQ(!c.local_moltra,
              run.log.Has("[  INFO] Install phase 4 - Moltra install skipped, already installed"));
    EXPECT_EQ(c.local_qel, run.log.Has("[* WARN] Install phase 2 - Qel xml check skipped, detected "
                                       "local package for QEL install, using it"));
    EXPECT_EQ(c.client == 1 || c.client == 3,
              run.log.Has("[  INFO] Install phase 3 - Qel archive download skipped, detected valid "
                          "Qel installation"));
    EXPECT_EQ(c.client == 1,
              run.log.Has("[  INFO] Install phase 5 - Qel copy instead of decompress -> from " +
                          run.params.qel_folder + " to " + run.Bin("")));
    EXPECT_EQ(c.client == 3, run.log.Has("[  INFO] Install phase 5 - Qel install skipped, already "
                                         "installed, no need to copy or decompress"));
    EXPECT_EQ(c.client == 2 || c.local_qel, run.log.Has("[  INFO] Starting Qel decompression"));
    EXPECT_EQ(c.local_qel, run.engine->current_request == nullptr);
    EXPECT_EQ(c.local_moltra, FileExists(run.Office("FILES\\uffaut")));
    EXPECT_EQ("core", ReadTextFile(run.Bin("1.0.0.7\\core.dll")));
  }
}

// Every failure of phases 1 to 3: its log line, then Retry/Cancel (Cancel ends with 0 and
// the next phase never starts), or for 407 a prompt per answer until it is cancelled or
// fails in any other way (which must not loop).
TEST(InstallEngine, FailuresOfEachPhase) {
  const char* kFinished[3] = {"Download Moltra not completed", "Download QEL Xml not completed",
                              "Download QEL not completed"};
  const struct {
    const char* path;
    std::string line;
    std::deque<unsigned long> prompts;
  } kinds[] = {
      {"/status/404", "Connection error phase # -> 404", {}},
      {"/short/1000", "* -> 999 -> 1000", {}},
      {"/reset", "Connection error phase # -> 0", {}},
      {"/stall/1", "Connection error phase # -> 0", {}},
      {"/status/407", "Connection error phase # -> 407", {0, 0, ERROR_CANCELLED}},
      {"/status/407", "Connection error phase # -> 407", {ERROR_INVALID_FLAGS}},
      // An empty 200 without Content-Length is no package; a length past 2 GB is no overflow.
      {"/nolength/0", "* -> 0 -> 0", {}},
      {"/hugelength/3000000000", "* -> 100 -> 3000000000", {}},
  };
  for (const auto& kind : kinds) {
    for (int phase = 1; phase <= 3; ++phase) {
      SCOPED_TRACE(std::string(kind.path) + " phase " + std::to_string(phase));
      Install run;
      run.Serve(phase, TestServerUrl(kind.path));
      run.ui.prompt_results = kind.prompts;
      ASSERT_TRUE(run.Go());
      EXPECT_EQ(0, run.ui.end_code);
      std::string line = "[* WARN] " + kind.line;
      // A manifest announced past any document's size is refused without being read.
      if (phase == 2 && std::string(kind.path).find("huge") != std::string::npos)
        line = "[* WARN] Connection error phase # -> 0";
      if (line.find('#') != std::string::npos)
        line.replace(line.find('#'), 1, std::to_string(phase));
      if (line.find('*', 3) != std::string::npos)
        line.replace(line.find('*', 3), 1, kFinished[phase - 1]);
      const size_t tries = kind.prompts.empty() ? 1 : kind.prompts.size();
      EXPECT_EQ(tries, run.log.MessagesWith(line).size()) << line;
      EXPECT_FALSE(run.log.Has(kPhase[phase + 1]));
      EXPECT_EQ(static_cast<int>(kind.prompts.size()), run.ui.prompts);
      if (!kind.prompts.empty()) {
        EXPECT_EQ(kind.prompts.size() - 1, run.log.MessagesWith("Proxy credential set").size());
        EXPECT_TRUE(run.ui.boxes.empty());
        EXPECT_TRUE(run.log.Has("[* WARN] User cancelled proxy settings UI"));
        continue;
      }
      ASSERT_EQ(1u, run.ui.boxes.size());
      EXPECT_EQ(kConnectionProblemText, run.ui.boxes[0].text);
      EXPECT_EQ("Attenzione", run.ui.boxes[0].caption);
      EXPECT_EQ(static_cast<unsigned>(MB_RETRYCANCEL), run.ui.boxes[0].type & MB_TYPEMASK);
      EXPECT_EQ(BoxOwner::kPage, run.ui.boxes[0].owner);
    }
  }
}

// A manifest without an archive URL, an archive URL the request refuses, a package that
// cannot be written: Retry/Cancel instead of going on or waiting forever.
TEST(InstallEngine, BadManifestsAndUnwritablePackagesFailThePhase) {
  const std::string no_url = "<rel><number>1.0.0.7</number><checksum>0</checksum></rel>";
  for (int c = 0; c < 4; ++c) {
    SCOPED_TRACE(c);
    Install run;
    run.Serve();
    std::string line;
    if (c == 0) {
      run.params.qel_manifest_url = ServeText("qel.xml", no_url);
      const std::string size = std::to_string(no_url.size());
      line = "[* WARN] Download QEL Xml not completed -> " + size + " -> " + size;
    } else if (c == 1) {
      run.ServeManifest("archivio/qel.7z");
      line = "[* WARN] Connection error phase 3 -> -1";
    } else {
      std::string& target = c == 2 ? run.params.moltra_archive_path : run.params.qel_archive_path;
      target = run.temp.Sub("manca\\pacchetto.7z");
      line = "[**  ERR] Cannot write package " + target + " -> 3";
    }
    ASSERT_TRUE(run.Go());
    EXPECT_EQ(0, run.ui.end_code);
    EXPECT_TRUE(run.log.Has(line)) << line;
    ASSERT_EQ(1u, run.ui.boxes.size());
    // A package that cannot be saved is not called a connection problem: its box names the
    // folder and the space needed.
    EXPECT_EQ(c < 2 ? kConnectionProblemText
                    : WriteProblemText(run.temp.Sub("manca\\"),
                                       FileSize(Package(c == 2 ? "moltra.7z" : "qel.7z"))),
              run.ui.boxes[0].text);
    EXPECT_FALSE(run.log.Has(kPhase[c == 2 ? 2 : 4]));
  }
}

// A disk that fills while a package is written (a 1 MB tmpfs the fixture mounts): the
// package's own message with its folder and the space needed, no partial file left to be
// trusted, nothing unpacked.
TEST(InstallEngine, FullDiskWhileWritingHasItsOwnMessage) {
  const std::string disk =
      UnixToWindowsPath(std::string(std::getenv("ZAV_BUILD_DIR")) + "/tests/engine/small-disk");
  if (!FileExists(disk + "\\.mounted")) GTEST_SKIP() << "no small disk: mounting needs root";
  Install run;
  run.Serve();
  const std::string package(3 << 20, 'z');
  run.params.moltra_archive_url = ServeText("grande.7z", package);
  const std::string target = run.params.moltra_archive_path = disk + "\\moltra2021.7z";
  ASSERT_TRUE(run.Go());
  EXPECT_EQ(0, run.ui.end_code);
  ASSERT_EQ(1u, run.ui.boxes.size());
  EXPECT_EQ(WriteProblemText(disk + "\\", package.size()), run.ui.boxes[0].text);
  EXPECT_EQ(static_cast<unsigned>(MB_RETRYCANCEL), run.ui.boxes[0].type & MB_TYPEMASK);
  EXPECT_FALSE(run.log.MessagesWith("[**  ERR] Cannot write package " + target + " -> ").empty());
  EXPECT_FALSE(run.log.Has("[* WARN] Connection error phase 1 -> 200"));
  EXPECT_FALSE(FileExists(target));
  EXPECT_FALSE(FileExists(WininetWrapper::PartialPath(target)));
  EXPECT_FALSE(FileExists(WininetWrapper::ResumeRecordPath(target)));
  EXPECT_FALSE(run.log.Has(kPhase[2]));
  EXPECT_FALSE(run.log.Has("[  INFO] Starting Moltra decompression"));
}

TEST(InstallEngine, RetryRepeatsThePhaseUntilItSucceeds) {
  for (int phase = 1; phase <= 3; ++phase) {
    SCOPED_TRACE(phase);
    Install run;
    const std::string content = phase == 2
                                    ? ManifestText(ServeFile("qel.7z", Package("qel.7z")), "0")
                                    : ReadTextFile(Package(phase == 1 ? "moltra.7z" : "qel.7z"));
    // The phase's file is missing at first (404) and is there when Retry is pressed.
    const std::string late = ServeText("late", content);
    const std::string file = TestServerRoot() + "\\" + late.substr(late.rfind('/') + 1);
    DeleteFileA(file.c_str());
    run.Serve(phase, late);
    run.ui.box_answers = {IDRETRY};
    run.ui.before_answer = [&] { WriteTextFile(file, content); };
    ASSERT_TRUE(run.Go());
    EXPECT_TRUE(run.ui.finished);
    EXPECT_EQ(1u, run.ui.boxes.size());
    EXPECT_EQ("launcher", ReadTextFile(run.Bin("qel.exe")));
  }
}

// A failed extraction: the message, the end with its code, and only what this run wrote
// is removed; what was in the folder before stays.
TEST(InstallEngine, ExtractionErrorsRemoveOnlyWhatTheRunWrote) {
  const struct {
    int phase;
    const char* package;
    int code;
  } cases[] = {{4, "garbage.7z", 6}, {5, "garbage.7z", 6}, {5, "qel_fails.7z", 5}};
  for (const auto& c : cases) {
    const int phase = c.phase, code = c.code;
    SCOPED_TRACE(std::to_string(phase) + c.package);
    Install run;
    run.params.qel_manifest_url = "nessuno";
    const std::string folder = phase == 4 ? run.Office("") : run.Bin("");
    CreateDirectoryTree(folder + "z_last.txt");  // in the way of the last file
    WriteTextFile(folder + "z_last.txt\\nota.txt", "mio");
    if (phase == 4)
      CopyFileA(Package(c.package).c_str(), run.params.moltra_local_candidate.c_str(), FALSE);
    if (phase == 5) run.params.selected_year = "2021";
    CopyFileA(Package(phase == 4 ? "qel_fails.7z" : c.package).c_str(),
              run.params.qel_local_candidate.c_str(), FALSE);
    ASSERT_TRUE(run.Go());
    EXPECT_EQ(code, run.ui.end_code);
    ASSERT_EQ(1u, run.ui.boxes.size());
    EXPECT_EQ("Errore " + std::to_string(code) + " nella decompressione.", run.ui.boxes[0].text);
    EXPECT_EQ("Errore", run.ui.boxes[0].caption);
    EXPECT_EQ(BoxOwner::kSheet, run.ui.boxes[0].owner);
    EXPECT_TRUE(run.log.Has(std::string(phase == 4 ? "[**  ERR] Moltra" : "[**  ERR] Qel") +
                            " decompression error -> " + std::to_string(code)));
    EXPECT_TRUE(run.log.Has("[**  ERR] Delete destination path -> " + folder));
    EXPECT_FALSE(FileExists(folder + "a_first.txt"));  // written by this run
    EXPECT_EQ("mio", ReadTextFile(folder + "z_last.txt\\nota.txt"));
    EXPECT_EQ(phase == 5, run.log.Has(kPhase[5]));
  }
}

// Restore: the user data goes; the client is kept when it matches the manifest and is
// downloaded and unpacked over itself when it does not.
TEST(InstallEngine, RestoreRemovesUserDataAndRepairsTheClient) {
  for (bool damaged : {false, true}) {
    SCOPED_TRACE(damaged);
    Install run;
    CreateDirectoryTree(run.params.user_data_folder + "\\Default");
    WriteTextFile(run.params.user_data_folder + "\\Default\\Cookies", "x");
    run.params.qel_folder = run.Bin("");
    const std::string checksum = run.InstallClient(run.Bin(""));
    if (damaged) WriteTextFile(run.Bin("1.0.0.7\\core.dll"), "rotto");
    run.ServeManifest(ServeFile("qel.7z", Package("qel.7z")), checksum);
    ASSERT_TRUE(run.Go(&InstallEngine::StartRestore));
    EXPECT_TRUE(run.ui.finished);
    EXPECT_EQ("Fase 1 di 4 - Ripristino funzionalità", run.ui.phase_texts.at(0));
    EXPECT_TRUE(InOrder(
        run.log.Messages(),
        {"[  INFO] Restore mode",
         "[  INFO] Removing User Data on path -> " + run.params.user_data_folder,
         "[  INFO] Starting Qel checksum check", kPhase[2], kPhase[3], kPhase[4],
         "[  INFO] Install phase 4 - Moltra install skipped, already installed", kPhase[5]}));
    EXPECT_FALSE(FileExists(run.params.user_data_folder));
    EXPECT_FALSE(run.log.Has(kPhase[1]));
    EXPECT_EQ(damaged, run.log.Has("[  INFO] Starting Qel decompression"));
    EXPECT_EQ("core", ReadTextFile(run.Bin("1.0.0.7\\core.dll")));
  }
}

}  // namespace

namespace {

// The names below a folder, relative to it, sorted.
std::vector<std::string> Listing(const std::string& folder, const std::string& prefix) {
  std::vector<std::string> names;
  for (const std::string& name : FolderEntries(folder)) {
    names.push_back(prefix + name);
    for (const std::string& inner : Listing(folder + "\\" + name, prefix + name + "\\"))
      names.push_back(inner);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Cancel while the runtime is being unpacked: it stops there, the client is never started,
// what the run wrote is gone (also the folders it made), what was there stays, the threads
// have ended and the archive is no longer held.
TEST(InstallEngine, CancelStopsTheUnpackingAndRemovesWhatTheRunWrote) {
  for (bool year_folder_there : {true, false}) {
    SCOPED_TRACE(year_folder_there);
    Install run;
    run.params.qel_manifest_url = "nessuno";
    CopyFileA(Package("many.7z").c_str(), run.params.moltra_archive_path.c_str(), FALSE);
    CopyFileA(Package("qel.7z").c_str(), run.params.qel_local_candidate.c_str(), FALSE);
    if (year_folder_there) {
      CreateDirectoryTree(run.Office("FILES"));
      WriteTextFile(run.Office("FILES\\f1.txt"), "mio");
      WriteTextFile(run.Office("nota.txt"), "mia");
    }
    const std::vector<std::string> before = Listing(run.params.office_root);
    HANDLE reached = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    run.ui.on_extract = [&](uint32_t done, uint32_t) {
      if (done != 100) return;
      SetEvent(reached);
      while (!run.engine->cancelled()) SwitchToThread();
    };
    run.engine = new InstallEngine(run.params, run.ui);
    run.engine->StartPhase2();
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(reached, 60000));
    run.engine->Cancel();
    CloseHandle(reached);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(run.engine->install_thread, 0));
    EXPECT_EQ(before, Listing(run.params.office_root));
    // What was there stays (a file the archive also holds keeps its name, not its content).
    if (year_folder_there) {
      EXPECT_EQ("mia", ReadTextFile(run.Office("nota.txt")));
    }
    EXPECT_FALSE(run.log.Has(kPhase[5]));
    EXPECT_TRUE(run.log.Has("[* WARN] Installation cancelled by the user"));
    EXPECT_TRUE(DeleteFileA(run.params.moltra_archive_path.c_str()));
    EXPECT_FALSE(run.ui.finished);
    EXPECT_EQ(-1, run.ui.end_code);
    EXPECT_TRUE(run.ui.boxes.empty());
  }
}

// Retry after an archive URL the request refused reads the manifest again.
TEST(InstallEngine, RetryAfterARefusedArchiveUrlReadsTheManifestAgain) {
  Install run;
  run.Serve();
  const std::string good = ManifestText(ServeFile("qel.7z", Package("qel.7z")), "0");
  run.params.qel_manifest_url = ServeText("qel.xml", ManifestText("archivio/qel.7z", "0"));
  const std::string file =
      TestServerRoot() + "\\" +
      run.params.qel_manifest_url.substr(run.params.qel_manifest_url.rfind('/') + 1);
  run.ui.box_answers = {IDRETRY};
  run.ui.before_answer = [&] { WriteTextFile(file, good); };
  ASSERT_TRUE(run.Go());
  EXPECT_TRUE(run.ui.finished);
  EXPECT_EQ(2u, run.log.MessagesWith(kPhase[2]).size());
  EXPECT_EQ("launcher", ReadTextFile(run.Bin("qel.exe")));
}

// An installed client copied into place that cannot be copied whole is a failed phase 5.
TEST(InstallEngine, AClientCopyThatFailsEndsAsAFailedPhase) {
  Install run;
  run.params.selected_year = "2021";
  run.params.moltra_archive_url = "nessuno";
  run.params.qel_folder = run.temp.Sub("vecchio");
  const std::string checksum = run.InstallClient(run.params.qel_folder);
  run.ServeManifest(ServeFile("qel.7z", Package("qel.7z")), checksum);
  CreateDirectoryTree(run.Bin(""));
  WriteTextFile(run.Bin("mio.txt"), "mio");
  HANDLE held = INVALID_HANDLE_VALUE;
  run.ui.on_phase_text = [&](const std::string& text) {
    if (text != "Fase 4 di 4 - Installazione componenti") return;
    held = CreateFileA((run.params.qel_folder + "\\1.0.0.7\\core.dll").c_str(), GENERIC_READ, 0,
                       nullptr, OPEN_EXISTING, 0, nullptr);
  };
  ASSERT_TRUE(run.Go());
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  CloseHandle(held);
  EXPECT_FALSE(run.ui.finished);
  EXPECT_GT(run.ui.end_code, 0);
  ASSERT_EQ(1u, run.ui.boxes.size());
  EXPECT_EQ("Errore " + std::to_string(run.ui.end_code) + " nella decompressione.",
            run.ui.boxes[0].text);
  EXPECT_TRUE(run.log.Has("[**  ERR] Qel copy error -> " + std::to_string(run.ui.end_code)));
  const std::string bin = run.params.client_bin_folder;
  EXPECT_EQ((std::vector<std::string>{"mio.txt"}), Listing(bin.substr(0, bin.size() - 1)));
}

// Restore removes exactly the client's folder; data still in use is not a success.
TEST(InstallEngine, RestoreKeepsTheUsersCopiesAndReportsDataInUse) {
  for (bool in_use : {false, true}) {
    SCOPED_TRACE(in_use);
    Install run;
    const std::string data = run.params.user_data_folder;
    CreateDirectoryTree(data + "\\Default");
    WriteTextFile(data + "\\Default\\Cookies", "x");
    for (const char* copy : {" - Copia", ".bak"}) {
      CreateDirectoryTree(data + copy);
      WriteTextFile(data + copy + "\\Cookies", "copia");
    }
    HANDLE held = in_use ? CreateFileA((data + "\\Default\\Cookies").c_str(), GENERIC_READ, 0,
                                       nullptr, OPEN_EXISTING, 0, nullptr)
                         : INVALID_HANDLE_VALUE;
    run.params.qel_folder = run.Bin("");
    run.ServeManifest(ServeFile("qel.7z", Package("qel.7z")), run.InstallClient(run.Bin("")));
    ASSERT_TRUE(run.Go(&InstallEngine::StartRestore));
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    for (const char* copy : {" - Copia", ".bak"})
      EXPECT_EQ("copia", ReadTextFile(data + copy + "\\Cookies"));
    EXPECT_EQ(!in_use, run.ui.finished);
    if (!in_use) continue;
    EXPECT_EQ(32, run.ui.end_code);
    ASSERT_EQ(1u, run.ui.boxes.size());
    EXPECT_EQ("Errore 32 nella rimozione dei dati utente.", run.ui.boxes[0].text);
    EXPECT_TRUE(run.log.Has("[**  ERR] Not removed -> " + data + "\\Default\\Cookies -> 32"));
    EXPECT_FALSE(run.log.Has(kPhase[2]));
  }
}

}  // namespace
