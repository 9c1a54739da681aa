#include "net/wininet_wrapper.h"

#include <wininet.h>
#include <urlmon.h>

#include <algorithm>
#include <future>
#include <memory>
#include <new>
#include <stdexcept>
#include <vector>

#include "log/setup_log.h"
#include "net/file_digest.h"
#include "net/request_url.h"
#include "net/transfer_check.h"
#include "sys/scoped_handle.h"
#include "sys/string_utils.h"

namespace {

constexpr char kWindowClass[] = "DUMMY_CLASS";
constexpr char kWindowName[] = "dummy_name";
constexpr DWORD kTimeoutMs = 10000;
// Large reads: the cost of a transfer under WinINet is the number of read calls.
constexpr size_t kReadBlock = 1 << 20;
constexpr int kLastRetryIndex = 5;

LRESULT CALLBACK RequestWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case kRequestMessageContentLength:
    case kRequestMessageProgress:
    case kRequestMessageCompleted: {
      WininetWrapper* request = reinterpret_cast<WininetWrapper*>(wparam);
      if (request == nullptr) return 0;
      WininetWrapperDelegate* delegate = request->delegate;
      if (message == kRequestMessageContentLength) {
        request->contentLength = request->PostedLength();
        if (delegate) delegate->OnContentLength(request, request->contentLength);
      } else if (message == kRequestMessageProgress) {
        // lparam holds the low 32 bits; reports rise by far less than 4 GB each, so the
        // high part follows from the previous report.
        const int64_t previous = request->bytesReceived;
        int64_t value = (previous & ~int64_t{0xFFFFFFFF}) | static_cast<uint32_t>(lparam);
        if (value < previous) value += int64_t{1} << 32;
        request->bytesReceived = value;
        if (delegate) delegate->OnProgress(request, value);
      } else if (delegate) {
        delegate->OnCompleted(request);
      }
      return 0;
    }
    case WM_USER + 1:
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wparam, lparam);
  }
}

HWND CreateRequestWindow() {
  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = RequestWindowProc;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.lpszClassName = kWindowClass;
  RegisterClassA(&window_class);  // fails harmlessly when already registered
  return CreateWindowExA(0, kWindowClass, kWindowName, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

// Owns one WinINet handle.
class InternetHandle {
 public:
  InternetHandle() = default;
  ~InternetHandle() { Close(); }
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;
  void Reset(HINTERNET handle) {
    Close();
    handle_ = handle;
  }
  void Close() {
    if (handle_) InternetCloseHandle(handle_);
    handle_ = nullptr;
  }
  HINTERNET get() const { return handle_; }

 private:
  HINTERNET handle_ = nullptr;
};

bool IsRetryableSendError(DWORD code) {
  return code == ERROR_INTERNET_INVALID_CA || code == ERROR_INTERNET_SEC_CERT_REV_FAILED ||
         code == ERROR_INTERNET_CONNECTION_RESET;
}

// A response header as text; empty when the answer has none.
std::string QueryHeader(HINTERNET request, DWORD which) {
  char buffer[512] = {};
  DWORD size = sizeof(buffer) - 1;
  if (!HttpQueryInfoA(request, which, buffer, &size, nullptr)) return std::string();
  return std::string(buffer, std::min<DWORD>(size, sizeof(buffer) - 1));
}

std::string ErrorText() { return IntToString(static_cast<long long>(GetLastError())); }

// The validator If-Range can carry: a strong ETag, else Last-Modified (weak ETags are not
// allowed there); empty when the server gave neither.
std::string ValidatorOf(HINTERNET request) {
  const std::string etag = QueryHeader(request, HTTP_QUERY_ETAG);
  if (!etag.empty() && etag.compare(0, 2, "W/") != 0) return etag;
  return QueryHeader(request, HTTP_QUERY_LAST_MODIFIED);
}

std::string ReadSmallFile(const std::string& path) {
  ScopedHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return std::string();
  char buffer[4096];
  DWORD read = 0;
  if (!ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr)) return std::string();
  return std::string(buffer, read);
}

bool WriteSmallFile(const std::string& path, const std::string& text) {
  ScopedHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return file.valid() &&
         WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written == text.size() && file.Close();
}

int64_t FileSizeOf(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

void AddSecurityFlag(HINTERNET request, DWORD flag) {
  DWORD flags = 0;
  DWORD size = sizeof(flags);
  InternetQueryOptionA(request, INTERNET_OPTION_SECURITY_FLAGS, &flags, &size);
  flags |= flag;
  InternetSetOptionA(request, INTERNET_OPTION_SECURITY_FLAGS, &flags, sizeof(flags));
}

}  // namespace

WininetWrapper::WininetWrapper(const std::string& url) {
  const RequestUrl parsed = ParseRequestUrl(url);
  if (!parsed.valid) {
    error = ERROR_BAD_ARGUMENTS;
    WriteLog("[**  ERR] Request URL not valid -> " + url);
  } else {
    https = parsed.https;
    host = parsed.host;
    path = parsed.path;
    port = parsed.port;
  }
  // Also a rejected URL gets its window: its request still has to report its end, or a
  // caller waiting for the completion would wait forever.
  window = CreateRequestWindow();
}

void WininetWrapper::SetProxyCredentials(const std::string& user, const std::string& password) {
  if (error != 0) return;
  proxyUser = user;
  proxyPassword = password;
}

void WininetWrapper::Start() {
  // The worker shares the promise: set_value may still be touching it after this thread has
  // seen it ready and returned.
  auto started = std::make_shared<std::promise<void>>();
  std::future<void> running = started->get_future();
  thread = std::thread([this, started]() {
    started->set_value();
    RunRequest();
  });
  running.wait();
  thread.detach();
}

void WininetWrapper::RemovePartial(const std::string& target) {
  if (target.empty()) return;
  DeleteFileA(PartialPath(target).c_str());
  DeleteFileA(ResumeRecordPath(target).c_str());
}

bool WininetWrapper::Send(void* handle_in, int64_t resume_offset, const std::string& validator) {
  HINTERNET handle = static_cast<HINTERNET>(handle_in);
  std::string extra = headers;
  if (resume_offset > 0) {
    // The rest only, and only if the file is still the one the partial file began: a
    // server whose file changed answers 200 with the whole new file.
    extra += "Range: bytes=" + IntToString(static_cast<long long>(resume_offset)) + "-\r\n";
    extra += "If-Range: " + validator + "\r\n";
  }
  for (int attempt = 0;; ++attempt) {
    if (!proxyUser.empty())
      InternetSetOptionA(handle, INTERNET_OPTION_PROXY_USERNAME,
                         const_cast<char*>(proxyUser.c_str()), proxyUser.size());
    if (!proxyPassword.empty())
      InternetSetOptionA(handle, INTERNET_OPTION_PROXY_PASSWORD,
                         const_cast<char*>(proxyPassword.c_str()), proxyPassword.size());
    DWORD timeout = kTimeoutMs;
    InternetSetOptionA(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof(timeout));
    InternetSetOptionA(handle, INTERNET_OPTION_SEND_TIMEOUT, &timeout, sizeof(timeout));
    if (HttpSendRequestA(handle, extra.empty() ? nullptr : extra.c_str(),
                         static_cast<DWORD>(extra.size()),
                         body.empty() ? nullptr : const_cast<char*>(body.data()),
                         static_cast<DWORD>(body.size())))
      return true;
    const DWORD code = GetLastError();
    if (code == ERROR_INTERNET_INVALID_CA)
      AddSecurityFlag(handle, SECURITY_FLAG_IGNORE_UNKNOWN_CA);
    else if (code == ERROR_INTERNET_SEC_CERT_REV_FAILED)
      AddSecurityFlag(handle, SECURITY_FLAG_IGNORE_REVOCATION);
    if (!IsRetryableSendError(code) || attempt >= kLastRetryIndex) return false;
  }
}

void WininetWrapper::RunRequest() {
  statusCode = -1;
  response.clear();
  // Read before the completion is posted: after that the object belongs to the UI thread.
  const HWND target_window = window;
  if (error != 0) {
    PostMessageA(target_window, kRequestMessageCompleted, reinterpret_cast<WPARAM>(this), 0);
    return;
  }

  char user_agent[512] = {};
  DWORD agent_size = sizeof(user_agent);
  if (ObtainUserAgentString(0, user_agent, &agent_size) != S_OK) user_agent[0] = '\0';
  const char* verb = post == 0 ? "GET" : "POST";

  InternetHandle session, connection, request;
  if (proxyHost.empty()) {
    session.Reset(InternetOpenA(user_agent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  } else {
    const std::string proxy = proxyHost + ":" + IntToString(proxyPort);
    session.Reset(InternetOpenA(user_agent, INTERNET_OPEN_TYPE_PROXY, proxy.c_str(), nullptr, 0));
  }
  if (!session.get()) {
    WriteLog("[**  ERR] Request InternetOpenA FAILED! " + ErrorText());
  } else {
    connection.Reset(InternetConnectA(session.get(), host.c_str(), static_cast<INTERNET_PORT>(port),
                                      nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection.get()) WriteLog("[**  ERR] Request InternetConnectA FAILED! " + ErrorText());
  }

  // A partial file of this URL with a validator is resumed; anything else starts afresh.
  const std::string url = (https ? "https://" : "http://") + host + ":" + IntToString(port) + path;
  ResumeRecord record;
  int64_t offset = 0;
  if (!target.empty()) {
    const int64_t have = FileSizeOf(PartialPath(target));
    if (ParseResumeRecord(ReadSmallFile(ResumeRecordPath(target)), &record) && record.url == url &&
        have > 0 && have < record.total)
      offset = have;
    else
      RemovePartial(target);
  }

  std::string status_text;
  bool given_up = false;
  // Two rounds at most: a range the server cannot satisfy (416) drops the partial file and
  // asks once more for the whole file.
  for (int round = 0; connection.get() && round < 2; ++round) {
    request.Reset(HttpOpenRequestA(connection.get(), verb, path.c_str(), "HTTP/1.1", nullptr,
                                   nullptr, https ? kRequestFlagsHttps : kRequestFlagsHttp, 0));
    if (!request.get()) {
      WriteLog("[**  ERR] Request HttpOpenRequestA FAILED! " + ErrorText());
      break;
    }
    if (offset > 0)
      WriteLog("[  INFO] Request resumed from byte " + IntToString(static_cast<long long>(offset)) +
               " -> " + url);
    Send(request.get(), offset, record.validator);

    char raw_headers[2048] = {};
    DWORD size = sizeof(raw_headers);
    HttpQueryInfoA(request.get(), HTTP_QUERY_RAW_HEADERS, raw_headers, &size, nullptr);
    raw_headers[sizeof(raw_headers) - 1] = '\0';
    WriteLog(std::string("[  INFO] Request Output1 ") + raw_headers);

    char status_buffer[16] = {};
    size = sizeof(status_buffer);
    HttpQueryInfoA(request.get(), HTTP_QUERY_STATUS_CODE, status_buffer, &size, nullptr);
    status_buffer[sizeof(status_buffer) - 1] = '\0';
    status_text = status_buffer;
    if (status_text == "416" && offset > 0) {
      RemovePartial(target);
      offset = 0;
      continue;
    }
    break;
  }

  if (request.get() && !status_text.empty()) {
    HINTERNET handle = request.get();
    bool body = false;
    int64_t length = 0;
    if (status_text == "200") {
      // The whole file: a partial one (the server ignored the range, or its file changed)
      // is started again from zero.
      offset = 0;
      contentLengthKnown = ParseLength(QueryHeader(handle, HTTP_QUERY_CONTENT_LENGTH), &length);
      body = true;
    } else if (status_text == "206") {
      int64_t first = 0, last = 0, total = 0;
      // Only the rest that was asked for, of the file that was begun, can follow it.
      if (offset > 0 &&
          ParseContentRange(QueryHeader(handle, HTTP_QUERY_CONTENT_RANGE), &first, &last, &total) &&
          first == offset && last == total - 1 && total == record.total) {
        length = total;
        contentLengthKnown = true;
        body = true;
      } else {
        WriteLog("[**  ERR] Request range answer does not continue the file -> " +
                 QueryHeader(handle, HTTP_QUERY_CONTENT_RANGE));
        RemovePartial(target);
        status_text.clear();
      }
    }
    if (body) {
      resumedFrom = offset;
      posted_length_ = contentLengthKnown ? length : 0;
      PostMessageA(target_window, kRequestMessageContentLength, reinterpret_cast<WPARAM>(this),
                   static_cast<LPARAM>(posted_length_));
      if (!target.empty() && offset == 0) {
        // Resumable only with a validator and a length; a record names the file begun.
        RemovePartial(target);
        const std::string validator = ValidatorOf(handle);
        if (contentLengthKnown && !validator.empty())
          WriteSmallFile(ResumeRecordPath(target), FormatResumeRecord({url, validator, length}));
      }
      if (ReadBody(handle, offset)) {
        WriteLog("[  INFO] Request Output2 " + status_text);
      } else {
        given_up = true;
        // Given up on purpose (too large for memory, a failed write, a cancel): no status.
        status_text.clear();
        std::string().swap(response);
        WriteLog("[**  ERR] Request Output error code " + status_text);
      }
    } else {
      response = status_text;
      WriteLog("[**  ERR] Request Output error code " + status_text);
    }
  } else if (request.get()) {
    WriteLog("[**  ERR] Request Output error code " + status_text);
  }
  statusCode = request.get() ? StringToInt(status_text) : -1;

  if (!target.empty() && writeError == 0 && IsBodyStatus(statusCode)) {
    // The window sets contentLength from the report; the worker reads its own copy.
    if (IsCompleteTransfer(statusCode, contentLengthKnown, posted_length_, bodyBytes)) {
      // Complete: only now does the package carry its final name.
      const std::string partial = PartialPath(target);
      if (!MoveFileExA(partial.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        writeError = GetLastError();
        WriteLog("[**  ERR] Request MoveFileExA FAILED! " + partial + " -> " +
                 IntToString(static_cast<long long>(writeError)));
        RemovePartial(target);
      } else {
        DeleteFileA(ResumeRecordPath(target).c_str());
      }
    }
  }

  // A body given up on (too large, not writable, cancelled) is reported before the handles
  // close: closing may read the rest of it off the connection first, which nobody waits for.
  if (given_up)
    PostMessageA(target_window, kRequestMessageCompleted, reinterpret_cast<WPARAM>(this), 0);
  request.Close();
  connection.Close();
  session.Close();
  if (!given_up)
    PostMessageA(target_window, kRequestMessageCompleted, reinterpret_cast<WPARAM>(this), 0);
}

void WininetWrapper::PostProgress(long long value) {
  PostMessageA(window, kRequestMessageProgress, reinterpret_cast<WPARAM>(this),
               static_cast<LPARAM>(static_cast<uint32_t>(value)));
}

bool WininetWrapper::ReadBody(void* handle, int64_t offset) {
  return target.empty() ? ReadToMemory(handle) : ReadToFile(handle, offset);
}

bool WininetWrapper::ReadToMemory(void* handle) {
  // A document is small: a server announcing (or sending) more is not believed.
  if (contentLengthKnown && posted_length_ > kMaxDocumentBytes) {
    WriteLog("[**  ERR] Request body too large -> " +
             IntToString(static_cast<long long>(posted_length_)));
    return false;
  }
  ProgressCadence cadence;
  std::vector<char> block(64 * 1024);
  for (;;) {
    DWORD read = 0;
    if (cancelled_) return false;
    if (!InternetReadFile(static_cast<HINTERNET>(handle), block.data(),
                          static_cast<DWORD>(block.size()), &read) ||
        read == 0)
      break;
    if (static_cast<int64_t>(response.size()) + read > kMaxDocumentBytes) {
      WriteLog("[**  ERR] Request body too large -> " +
               IntToString(static_cast<long long>(response.size() + read)));
      return false;
    }
    response.append(block.data(), read);
    bodyBytes = static_cast<int64_t>(response.size());
    long long value = 0;
    while (cadence.Next(bodyBytes, &value)) PostProgress(value);
  }
  return true;
}

bool WininetWrapper::ReadToFile(void* handle, int64_t offset) {
  const std::string partial = PartialPath(target);
  // Shared for deletion: the end of the installation may remove a partial file while a
  // cancelled transfer still holds it.
  ScopedHandle file(CreateFileA(partial.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                nullptr, offset > 0 ? OPEN_EXISTING : CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) {
    writeError = GetLastError();
    WriteLog("[**  ERR] Request CreateFileA FAILED! " + partial + " -> " +
             IntToString(static_cast<long long>(writeError)));
    RemovePartial(target);
    return false;
  }
  LARGE_INTEGER at;
  at.QuadPart = offset;
  if (offset > 0 && !SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN)) {
    writeError = GetLastError();
    WriteLog("[**  ERR] Request SetFilePointerEx FAILED! " + partial + " -> " + ErrorText());
    file.Close();
    RemovePartial(target);
    return false;
  }
  bodyBytes = offset;
  bodyDigestKnown = false;
  // Hashed as it is written, for the signature check once the package is whole.
  FileDigest digest(partial);
  digest.Advance(offset);
  ProgressCadence cadence;
  cadence.SkipTo(offset);
  // One block of about 1 MB, written as soon as it is read: memory stays flat whatever the
  // size of the package.
  std::vector<char> block(kReadBlock);
  bool ok = true;
  for (;;) {
    if (cancelled_) {
      ok = false;
      break;
    }
    DWORD read = 0;
    if (!InternetReadFile(static_cast<HINTERNET>(handle), block.data(),
                          static_cast<DWORD>(block.size()), &read) ||
        read == 0)
      break;
    DWORD written = 0;
    const BOOL wrote = WriteFile(file.get(), block.data(), read, &written, nullptr);
    if (!wrote || written != read) {
      writeError = wrote ? ERROR_DISK_FULL : GetLastError();
      WriteLog("[**  ERR] Request WriteFile FAILED! " + partial + " -> " +
               IntToString(static_cast<long long>(writeError)));
      ok = false;
      break;
    }
    bodyBytes += read;
    digest.Advance(bodyBytes);
    long long value = 0;
    while (cadence.Next(bodyBytes, &value)) PostProgress(value);
  }
  if (!file.Close() && writeError == 0) {
    writeError = GetLastError();
    WriteLog("[**  ERR] Request CloseHandle FAILED! " + partial + " -> " +
             IntToString(static_cast<long long>(writeError)));
    ok = false;
  }
  // A file that could not be written is no base for a resume.
  if (writeError != 0) RemovePartial(target);
  if (ok && writeError == 0) bodyDigestKnown = digest.Finish(bodyBytes, bodySha256);
  return ok;
}
