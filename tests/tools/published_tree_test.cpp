// A tree written by tools/publish (tests/tools/make_published.sh), read by the
// setup's own code: its update documents, its archives, its checksum, and the
// servers of tools/serve that the fixture starts on it with faults.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "app/run_mode.h"
#include "engine/archive_extractor.h"
#include "net/folder_checksum.h"
#include "net/manifest.h"
#include "net/own_version.h"
#include "net/signature.h"
#include "net/request_recorder.h"
#include "net/transfer_check.h"
#include "net/update_info.h"
#include "support/process.h"
#include "support/temp_folder.h"
#include "sys/fs_utils.h"
#include "sys/scoped_handle.h"
#include "sys/string_utils.h"

namespace {

const char kVersion[] = "2.0.1.7";

std::string Build(const std::string& relative) {
  const char* build = std::getenv("ZAV_BUILD_DIR");
  return UnixToWindowsPath(std::string(build ? build : "") + "/" + relative);
}
std::string Published(const std::string& path) { return Build("tests/tools/published" + path); }

// Relative path -> content ("<dir>" for a folder) of everything below `folder`.
void ListTree(const std::string& folder, const std::string& prefix,
              std::map<std::string, std::string>& out) {
  ScopedFind find(folder + "\\*");
  if (!find.valid()) return;
  do {
    const std::string name = find.entry.cFileName;
    if (name == "." || name == "..") continue;
    const std::string path = folder + "\\" + name;
    if (find.entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      out[prefix + name] = "<dir>";
      ListTree(path, prefix + name + "\\", out);
    } else {
      out[prefix + name] = ReadTextFile(path);
    }
  } while (find.Next());
}

std::map<std::string, std::string> Tree(const std::string& folder) {
  std::map<std::string, std::string> out;
  ListTree(folder, "", out);
  return out;
}

// The server path of one of the setup's URLs for the TEST run mode.
std::string ServerPath(const std::string& url) {
  const std::string server = "http://updates.example:8080";
  EXPECT_EQ(0u, url.find(server)) << url;
  std::string path = url.substr(server.size());
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

TEST(PublishedTree, DocumentsAreReadByTheSetup) {
  // The setup's own names for the run mode the tree was published for.
  TempFolder temp;
  const RunModeStrings urls =
      RunModeColumn(kRunModeTest, "http://updates.example:8080", temp.path() + "\\");
  ManifestValues manifest;
  ASSERT_TRUE(ParseManifest(ReadTextFile(Published(ServerPath(urls.qel_manifest_url))), manifest));
  EXPECT_EQ("http://updates.example:8080/update/qel_archive/qel_2.0.1.7_test.7z",
            manifest.archive_url);
  EXPECT_TRUE(FileExists(Published(ServerPath(manifest.archive_url))));
  EXPECT_TRUE(FileExists(Published("\\update\\qel_archive\\" + std::string(kMoltraArchiveName))));
  EXPECT_EQ(kVersion, manifest.version);
  EXPECT_EQ(32u, manifest.checksum.size());

  // The information file names the version of the executable the package holds.
  std::vector<std::string> server;
  ASSERT_TRUE(ParseUpdateInfo(ReadTextFile(Published(ServerPath(urls.update_info_url))), server));
  ASSERT_EQ(0u, ExtractArchive(Published(ServerPath(urls.update_package_url)), temp.path() + "\\",
                               nullptr, nullptr));
  std::vector<std::string> packaged, built;
  ASSERT_TRUE(ReadFileVersionFields(temp.Sub(urls.setup_exe_name), packaged));
  EXPECT_EQ(packaged, server);
  ASSERT_TRUE(ReadFileVersionFields(Build("src/ZAV2021.exe"), built));
  EXPECT_EQ(built, packaged);
  EXPECT_FALSE(IsServerVersionNewer(server, built));  // the same setup: no update loop
  EXPECT_EQ(ReadTextFile(Build("src/ZAV2021.exe")), ReadTextFile(temp.Sub(urls.setup_exe_name)));
}

TEST(PublishedTree, ArchivesUnpackIntoTheSourceTreesWithTheAdvertisedChecksum) {
  ManifestValues manifest;
  ASSERT_TRUE(ParseManifest(ReadTextFile(Published("\\update\\qel_test.xml")), manifest));
  TempFolder temp;
  const struct {
    const char* archive;
    std::string source;
  } packages[] = {{"\\update\\qel_archive\\moltra2021.7z", Build("samples/runtime")},
                  {"\\update\\qel_archive\\qel_2.0.1.7_test.7z", Build("tests/tools/client")}};
  for (const auto& package : packages) {
    SCOPED_TRACE(package.archive);
    const std::string out = temp.Sub(IntToString(&package - packages));
    ASSERT_EQ(0u, ExtractArchive(Published(package.archive), out + "\\", nullptr, nullptr));
    const auto expected = Tree(package.source), actual = Tree(out);
    EXPECT_GT(expected.size(), 10u);
    EXPECT_TRUE(expected == actual);
    for (const auto& entry : expected) EXPECT_EQ(1u, actual.count(entry.first)) << entry.first;
  }
  // The client as a first installation leaves it: the launcher switched, then
  // checked.
  const std::string client = temp.Sub("1");
  ASSERT_TRUE(MoveFileA((client + "\\new_qel.exe").c_str(), (client + "\\qel.exe").c_str()));
  EXPECT_EQ(manifest.checksum, FolderChecksum(client, kVersion));
  // A damaged installation does not match.
  ASSERT_TRUE(WriteTextFile(client + "\\Locales\\sub\\deep\\d.pak", "changed"));
  EXPECT_NE(manifest.checksum, FolderChecksum(client, kVersion));
}

// Every file the setup downloads carries a signature that the setup's own verifier accepts
// with the key it is built with, for that file only.
TEST(PublishedTree, EveryDownloadIsSignedForItsOwnName) {
  const char* files[] = {"\\update\\setup_ZAV2021_test.txt", "\\ZAV2021_TEST.7z",
                         "\\update\\qel_test.xml", "\\update\\qel_archive\\qel_2.0.1.7_test.7z",
                         "\\update\\qel_archive\\moltra2021.7z"};
  for (const char* file : files) {
    SCOPED_TRACE(file);
    const std::string path = Published(file), signature = ReadTextFile(path + ".sig");
    const std::string name = path.substr(path.rfind('\\') + 1);
    EXPECT_EQ(SignatureCheck::kValid, VerifySignedFile(path, name, signature));
    EXPECT_EQ(SignatureCheck::kValid, VerifySignedBuffer(ReadTextFile(path), name, signature));
    EXPECT_EQ(SignatureCheck::kMismatch, VerifySignedFile(path, "qel.xml", signature));
  }
}

// A rotation: a setup that trusts the current key and the next one takes both; once the
// first key is retired its signatures are refused.
TEST(PublishedTree, KeyRotation) {
  SigningKey second;
  ASSERT_TRUE(ParsePublicKeyText(ReadTextFile(Build("tests/tools/keys/second.pub")), second));
  const std::vector<SigningKey> both = {BuiltInSigningKeys().at(0), second}, next = {second};
  const std::string info = Published("\\update\\setup_ZAV2021_test.txt");
  const std::string by_second = Build("tests/tools/keys/by_second.txt");
  const char name[] = "setup_ZAV2021_test.txt";
  EXPECT_EQ(SignatureCheck::kValid,
            VerifySignedFile(info, name, ReadTextFile(info + ".sig"), both));
  EXPECT_EQ(SignatureCheck::kValid,
            VerifySignedFile(by_second, name, ReadTextFile(by_second + ".sig"), both));
  EXPECT_EQ(SignatureCheck::kValid,
            VerifySignedFile(by_second, name, ReadTextFile(by_second + ".sig"), next));
  EXPECT_EQ(SignatureCheck::kWrongKey,
            VerifySignedFile(info, name, ReadTextFile(info + ".sig"), next));
  // No build trusts a key made just now: the default build trusts the test key alone.
  EXPECT_EQ(SignatureCheck::kWrongKey,
            VerifySignedFile(by_second, name, ReadTextFile(by_second + ".sig")));
}

TEST(PublishedTree, ToolChecksumEqualsTheSetupsOnTheSameTree) {
  const std::string tool = ReadTextFile(Build("tests/tools/source.checksum")).substr(0, 32);
  ASSERT_EQ(32u, tool.size());
  EXPECT_EQ(tool, FolderChecksum(Build("tests/tools/client"), kVersion));
}

// The fixture's servers: "faults" answers the tree with path faults, "auth"
// asks for proxy credentials. Both are reached as the setup reaches them under
// make run: as a proxy.
WininetWrapper* Fetch(const char* server, const std::string& path, RequestRecorder& recorder,
                      const std::string& user = "") {
  const int port =
      StringToInt(ReadTextFile(Build("tests/tools/serve_" + std::string(server)) + "\\serve.port"));
  EXPECT_GT(port, 0) << server << " server not running";
  WininetWrapper* request = new WininetWrapper("http://updates.example:8080" + path);
  request->proxyHost = "127.0.0.1";
  request->proxyPort = port;
  if (!user.empty()) request->SetProxyCredentials(user.c_str(), "segreto");
  request->delegate = &recorder;
  request->Start();
  EXPECT_TRUE(PumpUntilCompleted(recorder, 60000)) << path;
  return request;  // kept alive for the rest of the process, as the program
                   // does
}

TEST(PublishedTree, ServedWithTheFaultsTheSetupMustSurvive) {
  const std::string info = ReadTextFile(Published("\\update\\setup_ZAV2021_test.txt"));
  const struct {
    const char* server;
    const char* path;
    const char* user;
    int status;
    bool complete;
  } cases[] = {
      {"faults", "/update/setup_ZAV2021_test.txt", "", 200, true},
      {"faults", "/update/qel_test.xml", "", 404, false},  // only the first time
      {"faults", "/update/qel_test.xml", "", 200, true},
      {"faults", "/ZAV2021_TEST.7z", "", 200, false},  // one byte short
      {"faults", "/update/missing.txt", "", 404, false},
      {"faults", "/reset-me", "", 0, false},
      {"faults", "/stall-me", "", 0, false},
      {"auth", "/update/setup_ZAV2021_test.txt", "", 407, false},
      {"auth", "/update/setup_ZAV2021_test.txt", "intruso", 407, false},
      {"auth", "/update/setup_ZAV2021_test.txt", "mario.rossi", 200, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.server) + " " + c.path + " " + c.user);
    RequestRecorder recorder;
    WininetWrapper* request = Fetch(c.server, c.path, recorder, c.user);
    EXPECT_EQ(c.status, request->statusCode);
    EXPECT_EQ(c.complete, IsCompleteTransfer(request->statusCode, request->contentLengthKnown,
                                             request->contentLength, request->bodyBytes));
    if (c.status == 200 && std::string(c.path) == "/update/setup_ZAV2021_test.txt") {
      EXPECT_EQ(info, request->response);
    }
    if (std::string(c.path) == "/ZAV2021_TEST.7z") {
      EXPECT_EQ(request->contentLength - 1, static_cast<int>(request->response.size()));
    }
    EXPECT_EQ(1, recorder.Count(RequestEvent::kCompleted));
  }
  // One log line per request.
  const std::string log = ReadTextFile(Build("tests/tools/serve_faults") + "\\serve.log");
  EXPECT_NE(std::string::npos,
            log.find(" GET http://updates.example:8080/ZAV2021_TEST.7z -> 200 "));
  EXPECT_NE(std::string::npos, log.find("(fault short)"));
}

}  // namespace
