// Headless test support of the install engine: a user interface that records what the
// engine shows and answers from a script, parameters below a test folder, and the packages
// and server of the tests.
#pragma once
#include <windows.h>

#include <cstdlib>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "../net/request_recorder.h"
#include "engine/install_params.h"
#include "engine/install_ui.h"
#include "support/process.h"
#include "support/temp_folder.h"
#include "sys/string_utils.h"

struct ShownBox {
  BoxOwner owner;
  std::string text, caption;
  unsigned type;
};

// Also takes over EndProgram while it lives. The extraction threads report too, so the
// recorders are written under a lock; tests read them once the run is over.
class ScriptedUi : public InstallUi {
 public:
  ScriptedUi();
  ~ScriptedUi();
  // Pumps this thread's messages until the install finished or the program was ended.
  bool RunUntilDone(DWORD timeout_ms = 60000);

  std::deque<int> box_answers;  // in order; then Cancel for Retry/Cancel, OK otherwise
  std::function<void()> before_answer;
  // Called on the reporting thread.
  std::function<void(uint32_t done, uint32_t total)> on_extract;
  std::function<void(const std::string& text)> on_phase_text;
  std::deque<unsigned long> prompt_results;  // 0 enters "utente"; then 1223
  bool finished = false;
  int end_code = -1;
  std::vector<ShownBox> boxes;
  std::vector<std::string> phase_texts;
  std::vector<int> percents;
  int prompts = 0, dialog_runs = 0;
  bool dialog_open = false, dialog_ended = false;

  void SetPhaseText(const std::string& text) override;
  void SetDownloadPercent(int percent) override;
  void SetExtractProgress(uint32_t done, uint32_t total) override {
    if (on_extract) on_extract(done, total);
  }
  int ShowBox(BoxOwner owner, const std::string& text, const std::string& caption,
              unsigned type) override;
  unsigned long PromptCredentials(std::string& user, std::string& password) override;
  void InstallFinished() override;
  bool UpdateDialogExists() override { return dialog_open; }
  void RunUpdateDialog() override;
  void ShowUpdateDialog(bool) override {}
  void SetUpdateProgress(int) override {}
  void EndUpdateDialog() override { dialog_open = false, dialog_ended = true; }

 private:
  bool Done();
  std::mutex mutex_;
  HANDLE event_;
};

// Parameters of an installation below `root`; the server URLs are left to the test.
InstallParams TestInstallParams(const std::string& root);

// A package made by make_packages.sh.
std::string Package(const std::string& name);
// Serves bytes or a file's copy under a name unique to this run; returns the URL.
std::string ServeText(const std::string& base, const std::string& bytes);
std::string ServeFile(const std::string& base, const std::string& path);
std::string ManifestText(const std::string& archive_url, const std::string& checksum);
long long FileSize(const std::string& path);
// True when `expected` appear in `messages` in this order (others may come between).
bool InOrder(const std::vector<std::string>& messages, const std::vector<std::string>& expected);
