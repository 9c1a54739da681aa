// The install engine's user interface of an unattended run: no window at all. Retry questions
// are answered Retry a bounded number of times with a pause, then Cancel; a program that must
// be closed is waited for as long; every box goes to the setup log; the proxy credentials come
// from the command line. What made the engine stop is kept for the exit code.
#pragma once
#include <atomic>
#include <functional>
#include <string>

#include "engine/install_ui.h"
#include "sys/close_wait.h"

enum class EngineStop {
  kNone,
  kDownloadFailed,
  kSignatureRefused,
  kProxyCredentials,
  kCannotSave,
  kUnpackFailed,
  kUserDataInUse,
  kPlatformRunning,
};

class HeadlessInstallUi : public InstallUi {
 public:
  // Created on the user-interface thread, whose messages its waits dispatch. `give_up` ends
  // the program when a program to close stayed open (it does not return).
  HeadlessInstallUi(int retries, int retry_wait_seconds, std::string proxy_user,
                    std::string proxy_password, std::function<void(EngineStop)> give_up);

  // Dispatches the thread's messages until the engine reports the components in place;
  // false when the message loop ended first.
  bool WaitForFinish();
  EngineStop stop() const { return stop_.load(); }

  void SetPhaseText(const std::string&) override {}
  void SetDownloadPercent(int) override {}
  void SetExtractProgress(uint32_t, uint32_t) override {}
  int ShowBox(BoxOwner owner, const std::string& text, const std::string& caption,
              unsigned type) override;
  unsigned long PromptCredentials(std::string& user, std::string& password) override;
  void InstallFinished() override;
  bool UpdateDialogExists() override { return in_update_; }
  void RunUpdateDialog() override;
  void ShowUpdateDialog(bool) override {}
  void SetUpdateProgress(int) override {}
  void EndUpdateDialog() override;

 private:
  // Retry until the retries of this kind of problem are spent; then Cancel, with `stop`.
  int RetryOrCancel(int& attempts, EngineStop stop, const std::string& text);
  void Wake();
  // Dispatches messages until `flag` is set.
  bool DispatchUntil(const std::atomic<bool>& flag);

  int retries_;
  int wait_seconds_;
  std::string proxy_user_;
  std::string proxy_password_;
  bool credentials_given_ = false;
  std::function<void(EngineStop)> give_up_;
  CloseWait close_wait_;  // a platform the user would close
  unsigned long thread_id_;
  std::atomic<EngineStop> stop_{EngineStop::kNone};
  std::atomic<bool> finished_{false};
  std::atomic<bool> update_ended_{false};
  bool in_update_ = false;
  int download_attempts_ = 0, signature_attempts_ = 0, save_attempts_ = 0, update_attempts_ = 0;
};
