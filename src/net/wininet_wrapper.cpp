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
#include "net/request_url.h"
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
        request->contentLength = static_cast<int32_t>(lparam);
        if (delegate) delegate->OnContentLength(request, static_cast<int>(lparam));
      } else if (message == kRequestMessageProgress) {
        request->bytesReceived = static_cast<int32_t>(lparam);
        if (delegate) delegate->OnProgress(request, static_cast<int>(lparam));
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

void WininetWrapper::RunRequest() {
  statusCode = -1;
  response.clear();
  // Read before the completion is posted: after that the object belongs to the UI thread.
  const HWND target = window;
  if (error != 0) {
    PostMessageA(target, kRequestMessageCompleted, reinterpret_cast<WPARAM>(this), 0);
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
    WriteLog("[**  ERR] Request InternetOpenA FAILED! " + IntToString(GetLastError()));
  } else {
    connection.Reset(InternetConnectA(session.get(), host.c_str(), static_cast<INTERNET_PORT>(port),
                                      nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection.get())
      WriteLog("[**  ERR] Request InternetConnectA FAILED! " + IntToString(GetLastError()));
  }
  if (connection.get()) {
    request.Reset(HttpOpenRequestA(connection.get(), verb, path.c_str(), "HTTP/1.1", nullptr,
                                   nullptr, https ? kRequestFlagsHttps : kRequestFlagsHttp, 0));
    if (!request.get())
      WriteLog("[**  ERR] Request HttpOpenRequestA FAILED! " + IntToString(GetLastError()));
  }

  if (request.get()) {
    HINTERNET handle = request.get();
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
      if (HttpSendRequestA(handle, headers.empty() ? nullptr : headers.c_str(),
                           static_cast<DWORD>(headers.size()),
                           body.empty() ? nullptr : const_cast<char*>(body.data()),
                           static_cast<DWORD>(body.size())))
        break;
      const DWORD code = GetLastError();
      if (code == ERROR_INTERNET_INVALID_CA)
        AddSecurityFlag(handle, SECURITY_FLAG_IGNORE_UNKNOWN_CA);
      else if (code == ERROR_INTERNET_SEC_CERT_REV_FAILED)
        AddSecurityFlag(handle, SECURITY_FLAG_IGNORE_REVOCATION);
      if (!IsRetryableSendError(code) || attempt >= kLastRetryIndex) break;
    }

    char raw_headers[2048] = {};
    DWORD size = sizeof(raw_headers);
    HttpQueryInfoA(handle, HTTP_QUERY_RAW_HEADERS, raw_headers, &size, nullptr);
    raw_headers[sizeof(raw_headers) - 1] = '\0';
    WriteLog(std::string("[  INFO] Request Output1 ") + raw_headers);

    char status_buffer[16] = {};
    size = sizeof(status_buffer);
    HttpQueryInfoA(handle, HTTP_QUERY_STATUS_CODE, status_buffer, &size, nullptr);
    status_buffer[sizeof(status_buffer) - 1] = '\0';
    std::string status_text = status_buffer;

    if (status_text == "200") {
      char length_buffer[16] = {};
      size = sizeof(length_buffer);
      HttpQueryInfoA(handle, HTTP_QUERY_CONTENT_LENGTH, length_buffer, &size, nullptr);
      length_buffer[sizeof(length_buffer) - 1] = '\0';
      const int content_length = StringToInt(length_buffer);
      PostMessageA(target, kRequestMessageContentLength, reinterpret_cast<WPARAM>(this),
                   content_length);
      if (ReadBody(handle, content_length)) {
        WriteLog("[  INFO] Request Output2 " + status_text);
      } else {
        // A body that does not fit in memory is a failed transfer: no status, no data.
        status_text.clear();
        std::string().swap(response);
        WriteLog("[**  ERR] Request Output error code " + status_text);
      }
    } else {
      response = status_text;
      WriteLog("[**  ERR] Request Output error code " + status_text);
    }
    statusCode = StringToInt(status_text);
  }

  request.Close();
  connection.Close();
  session.Close();
  PostMessageA(target, kRequestMessageCompleted, reinterpret_cast<WPARAM>(this), 0);
}

bool WininetWrapper::ReadBody(void* handle, int content_length) {
  long long total = 0;
  ProgressCadence cadence;
  try {
    // One allocation of the announced size, read into straight: growing a string chunk by
    // chunk needs up to twice the body in one contiguous block, which a 32-bit process may
    // not find. Without a length the body grows as it comes.
    response.reserve(content_length > 0 ? static_cast<size_t>(content_length) : kReadBlock);
    for (;;) {
      const size_t at = response.size();
      const size_t room = response.capacity() - at;
      DWORD read = 0;
      BOOL ok;
      if (room > 0) {
        const DWORD wanted = static_cast<DWORD>(std::min<size_t>(room, kReadBlock));
        response.resize(at + wanted);  // within the reserved block: no reallocation
        ok = InternetReadFile(static_cast<HINTERNET>(handle), &response[at], wanted, &read);
        response.resize(at + (ok ? read : 0));
      } else {
        // The reserved body is full: a small read finds the end without doubling it first.
        char probe[4096];
        ok = InternetReadFile(static_cast<HINTERNET>(handle), probe, sizeof(probe), &read);
        if (ok && read > 0) response.append(probe, read);
      }
      if (!ok || read == 0) break;
      total += read;
      long long value = 0;
      while (cadence.Next(total, &value))
        PostMessageA(window, kRequestMessageProgress, reinterpret_cast<WPARAM>(this),
                     static_cast<LPARAM>(value));
    }
  } catch (const std::bad_alloc&) {
    WriteLog("[**  ERR] Request body does not fit in memory -> " + IntToString(total));
    return false;
  } catch (const std::length_error&) {
    WriteLog("[**  ERR] Request body does not fit in memory -> " + IntToString(total));
    return false;
  }
  return true;
}
