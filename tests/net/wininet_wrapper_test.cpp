// Requests against the loopback server the test fixture starts (tests/net/http_test_server.py).
#include "net/wininet_wrapper.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "net/proxy_credentials.h"
#include "net/transfer_check.h"
#include "log/setup_log.h"
#include "sys/fs_utils.h"
#include "request_recorder.h"
#include "support/temp_folder.h"
#include "sys/string_utils.h"

namespace {

constexpr int kChunk = 16383;

class WininetWrapperTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_GT(TestServerPort(), 0) << "test server not running"; }

  // Runs one request to completion; the object is kept alive for the rest of the process,
  // as the program does.
  WininetWrapper* Run(const std::string& url, RequestRecorder& recorder, DWORD timeout_ms = 20000) {
    WininetWrapper* request = new WininetWrapper(url);
    request->post = 0;
    request->delegate = &recorder;
    request->Start();
    EXPECT_TRUE(PumpUntilCompleted(recorder, timeout_ms)) << url;
    return request;
  }

  static std::string ServeFile(const std::string& name, const std::string& bytes) {
    CreateDirectoryA(TestServerRoot().c_str(), nullptr);
    EXPECT_TRUE(WriteTextFile(TestServerRoot() + "\\" + name, bytes));
    return TestServerUrl("/files/" + name);
  }
};

TEST_F(WininetWrapperTest, ConstructorParsesTheUrlAndCreatesTheWindow) {
  WininetWrapper request("https://server/update/x.xml");
  EXPECT_EQ(0u, request.error);
  EXPECT_TRUE(request.https);
  EXPECT_EQ("server", request.host);
  EXPECT_EQ("/update/x.xml", request.path);
  EXPECT_EQ(443, request.port);
  EXPECT_EQ(-1, request.statusCode);
  EXPECT_NE(nullptr, request.window);
  request.SetProxyCredentials("u", "p");
  EXPECT_EQ("u", request.proxyUser);
  EXPECT_EQ("p", request.proxyPassword);
}

TEST_F(WininetWrapperTest, UnusableUrlStillCompletesOnceAsFailure) {
  for (const char* url : {"server/update/qel.xml", "http:", "http:/"}) {
    SCOPED_TRACE(url);
    RequestRecorder recorder;
    WininetWrapper* request = new WininetWrapper(url);
    EXPECT_EQ(160u, request->error);
    request->SetProxyCredentials("u", "p");
    EXPECT_EQ("", request->proxyUser);
    request->delegate = &recorder;
    request->Start();
    ASSERT_TRUE(PumpUntilCompleted(recorder, 5000));
    EXPECT_EQ(1, recorder.Count(RequestEvent::kCompleted));
    EXPECT_EQ(1u, recorder.events.size());
    EXPECT_EQ(-1, request->statusCode);
  }
}

TEST_F(WininetWrapperTest, FileIsReceivedWholeWithItsLength) {
  std::string bytes(70000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + 3);
  RequestRecorder recorder;
  const size_t log_before = ReadTextFile(GetLogFilePath()).size();
  WininetWrapper* request = Run(ServeFile("whole.bin", bytes), recorder);
  EXPECT_NE(
      std::string::npos,
      ReadTextFile(GetLogFilePath()).substr(log_before).find("[  INFO] Request Output2 200\r\n"));
  EXPECT_EQ(200, request->statusCode);
  EXPECT_EQ(70000, request->contentLength);
  EXPECT_TRUE(request->response == bytes);
  EXPECT_TRUE(IsCompleteTransfer(request->statusCode, request->contentLengthKnown,
                                 request->contentLength, request->bodyBytes));
  ASSERT_GE(recorder.events.size(), 2u);
  EXPECT_EQ(RequestEvent::kContentLength, recorder.events.front().kind);
  EXPECT_EQ(70000, recorder.events.front().value);
  EXPECT_EQ(RequestEvent::kCompleted, recorder.events.back().kind);
  EXPECT_EQ(1, recorder.Count(RequestEvent::kCompleted));
}

TEST_F(WininetWrapperTest, ErrorAnswersCarryTheirStatusAndNoBody) {
  for (int code : {404, 407, 500}) {
    SCOPED_TRACE(code);
    const size_t log_before = ReadTextFile(GetLogFilePath()).size();
    RequestRecorder recorder;
    WininetWrapper* request = Run(TestServerUrl("/status/" + IntToString(code)), recorder);
    EXPECT_EQ(code, request->statusCode);
    EXPECT_EQ(IntToString(code), request->response);
    EXPECT_FALSE(IsCompleteTransfer(request->statusCode, request->contentLengthKnown,
                                    request->contentLength, request->bodyBytes));
    EXPECT_EQ(0, recorder.Count(RequestEvent::kContentLength));
    EXPECT_EQ(0, recorder.Count(RequestEvent::kProgress));
    EXPECT_EQ(1, recorder.Count(RequestEvent::kCompleted));
    const std::string log = ReadTextFile(GetLogFilePath()).substr(log_before);
    EXPECT_NE(std::string::npos,
              log.find("[  INFO] Request Output1 HTTP/1.1 " + IntToString(code) + " "));
    EXPECT_NE(std::string::npos,
              log.find("[**  ERR] Request Output error code " + IntToString(code) + "\r\n"));
  }
}

TEST_F(WininetWrapperTest, BodyLengthAnswersAreReportedAsReceived) {
  {
    SCOPED_TRACE("one byte short of Content-Length");
    RequestRecorder recorder;
    WininetWrapper* request = Run(TestServerUrl("/short/5000"), recorder);
    EXPECT_EQ(200, request->statusCode);
    EXPECT_EQ(5000, request->contentLength);
    EXPECT_EQ(4999u, request->response.size());
    EXPECT_FALSE(IsCompleteTransfer(request->statusCode, request->contentLengthKnown,
                                    request->contentLength, request->bodyBytes));
    EXPECT_EQ(1, recorder.Count(RequestEvent::kCompleted));
  }
  {
    SCOPED_TRACE("no Content-Length");
    RequestRecorder recorder;
    WininetWrapper* request = Run(TestServerUrl("/nolength/3000"), recorder);
    EXPECT_EQ(200, request->statusCode);
    ASSERT_EQ(1, recorder.Count(RequestEvent::kContentLength));
    EXPECT_EQ(0, recorder.events.front().value);
    EXPECT_EQ(0, request->contentLength);
    EXPECT_EQ(std::string(3000, 'n'), request->response);
    EXPECT_FALSE(IsCompleteTransfer(request->statusCode, request->contentLengthKnown,
                                    request->contentLength, request->bodyBytes));
    EXPECT_EQ(1, recorder.Count(RequestEvent::kCompleted));
  }
}

TEST_F(WininetWrapperTest, ProgressFollowsEveryEleventhChunkOnly) {
  {
    // Reads of any size report as 16383-byte chunks would: after the 11th, 22nd, ... chunk.
    ProgressCadence cadence;
    std::vector<long long> reports;
    long long value = 0;
    for (long long total : {10LL * kChunk, 10LL * kChunk + 1, 30LL * kChunk, 70LL * kChunk + 5}) {
      while (cadence.Next(total, &value)) reports.push_back(value);
    }
    const std::vector<long long> expected = {10LL * kChunk + 1, 22LL * kChunk, 33LL * kChunk,
                                             44LL * kChunk,     55LL * kChunk, 66LL * kChunk};
    EXPECT_EQ(expected, reports);
  }
  // Bodies served whole: the number of reports is exactly that of 16383-byte chunks, each
  // report falls in its 11th chunk, and the body and its count stay exact.
  struct Case {
    long long size;
    int reports;
  };
  const Case cases[] = {
      {0, 0},           {3 * kChunk, 0},  {10 * kChunk, 0},     {10 * kChunk + 1, 1},
      {11 * kChunk, 1}, {21 * kChunk, 1}, {21 * kChunk + 1, 2}, {5 * 1048576 + 7, 29}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    std::string bytes(static_cast<size_t>(c.size), 'x');
    for (size_t i = 0; i < bytes.size(); i += 4099) bytes[i] = static_cast<char>(i / 4099);
    RequestRecorder recorder;
    WininetWrapper* request =
        Run(ServeFile("cadence" + IntToString(c.size) + ".bin", bytes), recorder);
    EXPECT_TRUE(request->response == bytes);
    EXPECT_EQ(c.size, request->contentLength);
    EXPECT_EQ(c.reports, recorder.Count(RequestEvent::kProgress));
    long long k = 0;
    for (const RequestEvent& e : recorder.events) {
      if (e.kind != RequestEvent::kProgress) continue;
      ++k;
      EXPECT_GT(e.value, (11 * k - 1) * kChunk) << k;
      EXPECT_LE(e.value, std::min<long long>(11 * k * kChunk, c.size)) << k;
    }
    EXPECT_EQ(1, recorder.Count(RequestEvent::kCompleted));
  }
  {
    SCOPED_TRACE("a slow body in many chunks");
    RequestRecorder recorder;
    WininetWrapper* request = Run(TestServerUrl("/slow/60/4096"), recorder, 30000);
    EXPECT_EQ(60u * 4096, request->response.size());
    const int reports = recorder.Count(RequestEvent::kProgress);
    EXPECT_GE(reports, 1);
    int previous = 0;
    for (const RequestEvent& e : recorder.events) {
      if (e.kind != RequestEvent::kProgress) continue;
      EXPECT_GT(e.value, previous);
      EXPECT_LE(e.value, 60 * 4096);
      previous = e.value;
    }
    EXPECT_EQ(previous, request->bytesReceived);
    EXPECT_EQ(RequestEvent::kCompleted, recorder.events.back().kind);
  }
}

TEST_F(WininetWrapperTest, BrokenConnectionsEndInOneFailedCompletion) {
  for (const char* path : {"/reset", "/stall/15"}) {
    SCOPED_TRACE(path);
    RequestRecorder recorder;
    WininetWrapper* request = Run(TestServerUrl(path), recorder, 90000);
    EXPECT_EQ(0, request->statusCode);
    // Windows leaves the status text empty after a failed send; Wine reports "0".
    EXPECT_TRUE(request->response == "" || request->response == "0") << request->response;
    EXPECT_EQ(0, recorder.Count(RequestEvent::kContentLength));
    EXPECT_EQ(1, recorder.Count(RequestEvent::kCompleted));
  }
  {
    SCOPED_TRACE("nobody listening");
    RequestRecorder recorder;
    WininetWrapper* request = Run("http://127.0.0.1:1/x", recorder, 90000);
    EXPECT_LE(request->statusCode, 0);
    EXPECT_EQ(1, recorder.Count(RequestEvent::kCompleted));
  }
}

TEST_F(WininetWrapperTest, BodyTooLargeForMemoryIsAFailedTransfer) {
  RequestRecorder recorder;
  WininetWrapper* request = Run(TestServerUrl("/hugelength"), recorder);
  EXPECT_EQ(1900000000, request->contentLength);
  EXPECT_EQ(0, request->statusCode);
  EXPECT_TRUE(request->response.empty());
  EXPECT_EQ(1, recorder.Count(RequestEvent::kCompleted));
}

// A package's body goes to its partial file and takes its final name only when whole:
// cut, empty without a length, or announced beyond 2 GB and cut, it never does.
TEST_F(WininetWrapperTest, PackagesGoToDiskAndTakeTheirNameOnlyWhenWhole) {
  std::string bytes(3 * 1048576 + 5, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 13 + i / 4099);
  const struct {
    std::string url;
    bool complete, known;
    long long length, received;
  } cases[] = {
      {ServeFile("disk.bin", bytes), true, true, static_cast<long long>(bytes.size()),
       static_cast<long long>(bytes.size())},
      {TestServerUrl("/short/5000"), false, true, 5000, 4999},
      {TestServerUrl("/nolength/0"), false, false, 0, 0},
      {TestServerUrl("/hugelength/3000000000"), false, true, 3000000000LL, 100},
  };
  TempFolder temp;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    const std::string target = temp.Sub("pacchetto.7z");
    RequestRecorder recorder;
    WininetWrapper* request = new WininetWrapper(c.url);
    request->target = target;
    request->delegate = &recorder;
    request->Start();
    ASSERT_TRUE(PumpUntilCompleted(recorder, 20000));
    EXPECT_EQ(200, request->statusCode);
    EXPECT_EQ(c.known, request->contentLengthKnown);
    EXPECT_EQ(c.length, request->contentLength);
    EXPECT_EQ(c.received, request->bodyBytes);
    EXPECT_EQ(0u, request->writeError);
    EXPECT_TRUE(request->response.empty());
    EXPECT_EQ(c.complete, IsCompleteTransfer(request->statusCode, request->contentLengthKnown,
                                             request->contentLength, request->bodyBytes));
    EXPECT_EQ(c.complete, FileExists(target));
    if (c.complete) {
      EXPECT_TRUE(ReadTextFile(target) == bytes);
      EXPECT_FALSE(FileExists(WininetWrapper::PartialPath(target)));
      EXPECT_EQ(3 * 1048576 / (11 * kChunk), recorder.Count(RequestEvent::kProgress));
      EXPECT_EQ(static_cast<long long>(bytes.size()), recorder.events.front().value);
    }
    DeleteFileA(target.c_str());
    WininetWrapper::RemovePartial(target);
  }
}

TEST_F(WininetWrapperTest, RequestsRunningTogetherCompleteOnceEach) {
  constexpr int kRequests = 6;
  RequestRecorder recorders[kRequests];
  WininetWrapper* requests[kRequests];
  for (int i = 0; i < kRequests; ++i) {
    requests[i] = new WininetWrapper(TestServerUrl(i % 2 ? "/status/404" : "/nolength/100"));
    requests[i]->delegate = &recorders[i];
    requests[i]->Start();
  }
  for (int i = 0; i < kRequests; ++i) {
    ASSERT_TRUE(PumpUntilCompleted(recorders[i], 20000));
  }
  PumpUntilCompleted(recorders[0], 0, 500);
  for (int i = 0; i < kRequests; ++i) {
    EXPECT_EQ(1, recorders[i].Count(RequestEvent::kCompleted));
    EXPECT_EQ(i % 2 ? 404 : 200, requests[i]->statusCode);
  }
}

TEST_F(WininetWrapperTest, NullDelegateIsNotCalled) {
  WininetWrapper* request = new WininetWrapper(TestServerUrl("/status/404"));
  request->Start();
  RequestRecorder idle;
  PumpUntilCompleted(idle, 2000, 0);  // nothing to record: just lets the reports arrive
  EXPECT_EQ(404, request->statusCode);
}

// The credential prompt answered by a fake, the way the download sequence handles a 407.
class AnsweringDialog : public CredentialDialog {
 public:
  DWORD Prompt(const CREDUI_INFOA&, const char*, char* user, ULONG, char* password, ULONG,
               DWORD) override {
    strcpy(user, "mario.rossi");
    strcpy(password, "segreto:99");
    return NO_ERROR;
  }
};

TEST_F(WininetWrapperTest, CredentialsAreSetOnTheHandleAfterA407) {
  const std::string url = "http://updates.example/update/qel.xml";
  RequestRecorder first;
  WininetWrapper* request = new WininetWrapper(url);
  request->proxyHost = "127.0.0.1";
  request->proxyPort = TestServerPort();
  request->delegate = &first;
  request->Start();
  ASSERT_TRUE(PumpUntilCompleted(first, 20000));
  ASSERT_EQ(407, request->statusCode);

  AnsweringDialog dialog;
  SetCredentialDialog(&dialog);
  char user[256] = {}, password[256] = {};
  EXPECT_EQ(0u, PromptProxyCredentials(user, password));
  SetCredentialDialog(nullptr);

  RequestRecorder second;
  WininetWrapper* retry = new WininetWrapper(url);
  retry->proxyHost = "127.0.0.1";
  retry->proxyPort = TestServerPort();
  retry->SetProxyCredentials(user, password);
  retry->delegate = &second;
  retry->Start();
  ASSERT_TRUE(PumpUntilCompleted(second, 20000));
  EXPECT_EQ(200, retry->statusCode);
  EXPECT_EQ("proxy-ok mario.rossi:segreto:99", retry->response);
}

}  // namespace
