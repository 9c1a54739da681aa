// The install engine's user interface for headless tests: records what the engine shows and
// answers its questions from a script. Thread-safe: the extraction threads report too.
#pragma once
#include <windows.h>

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "engine/install_params.h"
#include "engine/install_ui.h"

struct ShownBox {
  BoxOwner owner;
  std::string text;
  std::string caption;
  unsigned type;
};

class ScriptedUi : public InstallUi {
 public:
  ScriptedUi();   // also takes over EndProgram
  ~ScriptedUi();  // gives EndProgram back

  // Answers, used in order; without one a Retry/Cancel box gets Cancel, others OK.
  std::deque<int> box_answers;
  // Called before a box is answered (to mend the server between tries, say).
  std::function<void(const ShownBox&)> before_answer;
  // Prompt results in order (0 = entered "utente"/"segreta"); without one: 1223.
  std::deque<unsigned long> prompt_results;

  // Pumps this thread's messages until the install finished or the program was ended.
  bool RunUntilDone(DWORD timeout_ms = 60000);
  bool finished() const;
  int end_code() const;  // -1 while the program was not ended
  std::vector<ShownBox> boxes() const;
  std::vector<std::string> phase_texts() const;
  std::vector<int> percents() const;
  int prompts() const;
  int update_dialog_runs() const { return dialog_runs_; }
  bool update_dialog_ended() const { return dialog_ended_; }

  void SetPhaseText(const std::string& text) override;
  void SetDownloadPercent(int percent) override;
  void SetExtractProgress(uint32_t done, uint32_t total) override;
  int ShowBox(BoxOwner owner, const std::string& text, const std::string& caption,
              unsigned type) override;
  unsigned long PromptCredentials(std::string& user, std::string& password) override;
  void InstallFinished() override;
  bool UpdateDialogExists() override { return dialog_open_; }
  void RunUpdateDialog() override;
  void ShowUpdateDialog(bool) override {}
  void SetUpdateProgress(int) override {}
  void EndUpdateDialog() override;

 private:
  void Signal();
  mutable std::mutex mutex_;
  HANDLE event_;
  bool finished_ = false;
  int end_code_ = -1;
  std::vector<ShownBox> boxes_;
  std::vector<std::string> phase_texts_;
  std::vector<int> percents_;
  int prompts_ = 0;
  bool dialog_open_ = false;
  bool dialog_ended_ = false;
  int dialog_runs_ = 0;
};

// Parameters of an installation below `root` (a test's temporary folder), with every
// server URL left empty for the test to fill.
InstallParams TestInstallParams(const std::string& root);
