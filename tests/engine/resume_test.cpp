// A client archive cut after 120,000 bytes, then Retry: resumed with a range when the
// server honours it, from zero when it ignores ranges or its file changed meanwhile; the
// installation ends with the server's bytes. Run against tools/serve and against nginx
// (ZAV_RESUME_SERVER names which; tests/engine/resume_servers.py starts both).
#include <gtest/gtest.h>

#include <cstdlib>

#include "../net/request_recorder.h"
#include "engine/install_engine.h"
#include "net/wininet_wrapper.h"
#include "scripted_ui.h"
#include "sys/fs_utils.h"
#include "sys/log_capture.h"

namespace {

constexpr long long kCut = 120000;

// Each server has its folders: the two runs go side by side.
std::string State(const std::string& suffix = "") {
  const char* build = std::getenv("ZAV_BUILD_DIR");
  const char* server = std::getenv("ZAV_RESUME_SERVER");
  return UnixToWindowsPath(std::string(build ? build : "") + "/tests/engine/resume/" +
                           (server ? server : "serve") + suffix);
}
std::string Root() { return State("-www"); }
std::string Base(const char* which) {
  return "http://127.0.0.1:" + IntToString(StringToInt(ReadTextFile(State() + "\\" + which))) + "/";
}

// Writes `signature` with the TEST-ONLY key's signature of `file` served as `name`, made by
// the loopback test server (the servers here serve files, they do not sign).
void Sign(const std::string& file, const std::string& name, const std::string& signature) {
  const std::string url = ServeFile(name, file);
  RequestRecorder recorder;
  WininetWrapper* request =
      new WininetWrapper(TestServerUrl("/signas/" + name + url.substr(url.rfind('/'))));
  request->delegate = &recorder;
  request->Start();
  ASSERT_TRUE(PumpUntilCompleted(recorder, 60000));
  ASSERT_EQ(200, request->statusCode);
  WriteTextFile(signature, request->response);
}

TEST(Resume, CutArchiveIsResumedOrStartedAgainAsTheServerAnswers) {
  ASSERT_FALSE(ReadTextFile(State() + "\\cut.port").empty()) << "server not running: " << State();
  const struct {
    const char* dir;
    int retry_status;  // the Retry's answer: 206 the rest, 200 the whole file
    bool changed;      // the file is replaced on the server before Retry
  } cases[] = {{"resume", 206, false}, {"norange", 200, false}, {"changed", 200, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dir);
    const std::string folder = Root() + "\\" + c.dir;
    CreateDirectoryTree(folder);
    const std::string served = folder + "\\qel.7z";
    ASSERT_TRUE(CopyFileA(Package("qel.7z").c_str(), served.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(Package("moltra.7z").c_str(), (folder + "\\moltra.7z").c_str(), FALSE));
    const std::string archive_url = Base("cut.port") + c.dir + "/qel.7z";
    WriteTextFile(folder + "\\qel.xml", ManifestText(archive_url, "0"));
    for (const char* name : {"qel.7z", "moltra.7z", "qel.xml"})
      Sign(folder + "\\" + name, name, folder + "\\" + name + ".sig");
    const std::string changed_signature = folder + "\\changed.sig";
    if (c.changed) Sign(Package("update_new.7z"), "qel.7z", changed_signature);

    TempFolder temp;
    InstallParams params = TestInstallParams(temp.path());
    params.moltra_archive_url = Base("direct.port") + c.dir + "/moltra.7z";
    params.qel_manifest_url = Base("direct.port") + c.dir + "/qel.xml";
    ScriptedUi ui;
    LogCapture log;
    const std::string log_before = ReadTextFile(State() + "\\access.log");
    const std::string source = Package(c.changed ? "update_new.7z" : "qel.7z");
    ui.box_answers = {IDRETRY};
    ui.before_answer = [&] {
      // What the cut left: the first bytes in the partial file, nothing under the name.
      EXPECT_EQ(kCut, FileSize(WininetWrapper::PartialPath(params.qel_archive_path)));
      EXPECT_FALSE(FileExists(params.qel_archive_path));
      if (c.changed) CopyFileA(source.c_str(), served.c_str(), FALSE);
      if (c.changed) CopyFileA(changed_signature.c_str(), (served + ".sig").c_str(), FALSE);
    };
    InstallEngine* engine = new InstallEngine(params, ui);
    engine->StartPhase1();
    ASSERT_TRUE(ui.RunUntilDone());
    if (engine->install_thread) WaitForSingleObject(engine->install_thread, 30000);

    EXPECT_TRUE(ui.finished);
    ASSERT_EQ(1u, ui.boxes.size());
    EXPECT_EQ(kConnectionProblemText, ui.boxes[0].text);
    EXPECT_TRUE(log.Has("[* WARN] Download QEL not completed -> " + IntToString(kCut) + " -> " +
                        IntToString(FileSize(Package("qel.7z")))));
    EXPECT_TRUE(
        log.Has("[  INFO] Request resumed from byte " + IntToString(kCut) + " -> " + archive_url));
    // The server's log: the Retry asked for the rest, and got it or the whole file.
    const std::string served_log = ReadTextFile(State() + "\\access.log").substr(log_before.size());
    const std::string path = std::string("/") + c.dir + "/qel.7z";
    const std::string rest = IntToString(FileSize(source) - (c.retry_status == 206 ? kCut : 0));
    EXPECT_NE(std::string::npos, served_log.find(path)) << served_log;
    EXPECT_NE(std::string::npos, served_log.find(IntToString(c.retry_status) + " " + rest))
        << served_log;
    EXPECT_NE(std::string::npos, served_log.find("bytes=" + IntToString(kCut) + "-")) << served_log;
    EXPECT_TRUE(ReadTextFile(params.qel_archive_path) == ReadTextFile(source));
    EXPECT_FALSE(FileExists(WininetWrapper::PartialPath(params.qel_archive_path)));
    EXPECT_FALSE(FileExists(WininetWrapper::ResumeRecordPath(params.qel_archive_path)));
    EXPECT_EQ("runtime", ReadTextFile(params.office_root + "\\ZAV2021\\HOME\\BIN\\wrun32.exe"));
    if (c.changed)
      EXPECT_TRUE(FileExists(params.client_bin_folder + "ZAV2021.exe"));
    else
      EXPECT_TRUE(ReadTextFile(params.client_bin_folder + "1.0.0.7\\big.bin") ==
                  ReadTextFile(Package("qel\\1.0.0.7\\big.bin")));
  }
}

}  // namespace
