#include "engine/headless_install_ui.h"

#include <windows.h>

#include "engine/install_engine.h"
#include "log/setup_log.h"
#include "sys/string_utils.h"

namespace {

constexpr unsigned long kCancelled = 1223;  // ERROR_CANCELLED, as the credential prompt says

}  // namespace

HeadlessInstallUi::HeadlessInstallUi(int retries, int retry_wait_seconds, std::string proxy_user,
                                     std::string proxy_password,
                                     std::function<void(EngineStop)> give_up)
    : retries_(retries),
      wait_seconds_(retry_wait_seconds),
      proxy_user_(std::move(proxy_user)),
      proxy_password_(std::move(proxy_password)),
      give_up_(std::move(give_up)),
      close_wait_(retries, retry_wait_seconds,
                  [](int seconds) { Sleep(static_cast<DWORD>(seconds) * 1000); }),
      thread_id_(GetCurrentThreadId()) {}

int HeadlessInstallUi::RetryOrCancel(int& attempts, EngineStop stop, const std::string& text) {
  if (attempts >= retries_) {
    WriteLog("[**  ERR] Unattended: given up after " + IntToString(attempts) + " retries -> " +
             OneLine(text));
    if (stop != EngineStop::kNone) stop_ = stop;
    return IDCANCEL;
  }
  ++attempts;
  WriteLog("[* WARN] Unattended: retry " + IntToString(attempts) + " of " + IntToString(retries_) +
           " in " + IntToString(wait_seconds_) + " s -> " + OneLine(text));
  Sleep(static_cast<DWORD>(wait_seconds_) * 1000);
  return IDRETRY;
}

int HeadlessInstallUi::ShowBox(BoxOwner, const std::string& text, const std::string& caption,
                               unsigned type) {
  if ((type & MB_TYPEMASK) == MB_RETRYCANCEL) {
    // A failed self-update is not the installation's: the setup goes on at its own version.
    if (in_update_) return RetryOrCancel(update_attempts_, EngineStop::kNone, text);
    if (text == kConnectionProblemText)
      return RetryOrCancel(download_attempts_, EngineStop::kDownloadFailed, text);
    if (text == kSignatureProblemText)
      return RetryOrCancel(signature_attempts_, EngineStop::kSignatureRefused, text);
    return RetryOrCancel(save_attempts_, EngineStop::kCannotSave, text);
  }
  if (text == kMoltraRunningText) {
    if (!close_wait_.Again(text)) {
      stop_ = EngineStop::kPlatformRunning;
      if (give_up_) give_up_(EngineStop::kPlatformRunning);
    }
    return IDOK;
  }
  const bool error = (type & MB_ICONMASK) == MB_ICONERROR;
  if (error && !in_update_) {
    // The engine ends the program right after these, once it has removed what it wrote.
    stop_ = text.find("nella rimozione dei dati utente") != std::string::npos
                ? EngineStop::kUserDataInUse
                : EngineStop::kUnpackFailed;
  }
  WriteLog(std::string(error ? "[**  ERR]" : "[  INFO]") + " Unattended message -> " + caption +
           " -> " + OneLine(text));
  return IDOK;
}

unsigned long HeadlessInstallUi::PromptCredentials(std::string& user, std::string& password) {
  // Given once: the same credentials refused again would be refused forever.
  if (proxy_user_.empty() || credentials_given_) {
    WriteLog("[**  ERR] Unattended: the proxy asks for credentials (/PROXYUSER=, /PROXYPASSWORD=)" +
             std::string(credentials_given_ ? " and refused those given" : ""));
    if (!in_update_) stop_ = EngineStop::kProxyCredentials;
    return kCancelled;
  }
  credentials_given_ = true;
  user = proxy_user_;
  password = proxy_password_;
  return 0;
}

void HeadlessInstallUi::Wake() { PostThreadMessageA(thread_id_, WM_NULL, 0, 0); }

void HeadlessInstallUi::InstallFinished() {
  finished_ = true;
  Wake();
}

bool HeadlessInstallUi::DispatchUntil(const std::atomic<bool>& flag) {
  MSG msg;
  while (!flag) {
    const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got <= 0) return false;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return true;
}

bool HeadlessInstallUi::WaitForFinish() { return DispatchUntil(finished_); }

void HeadlessInstallUi::RunUpdateDialog() {
  in_update_ = true;
  DispatchUntil(update_ended_);
  update_ended_ = false;
  in_update_ = false;
}

void HeadlessInstallUi::EndUpdateDialog() {
  update_ended_ = true;
  Wake();
}
