#include "scripted_ui.h"

#include "engine/program_end.h"

ScriptedUi::ScriptedUi() : event_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {
  SetProgramEndHandler([this](unsigned code) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      end_code_ = static_cast<int>(code);
    }
    Signal();
  });
}

ScriptedUi::~ScriptedUi() {
  SetProgramEndHandler(nullptr);
  CloseHandle(event_);
}

void ScriptedUi::Signal() { SetEvent(event_); }

bool ScriptedUi::RunUntilDone(DWORD timeout_ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (finished() || end_code() >= 0) return true;
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= timeout_ms) return false;
    MsgWaitForMultipleObjects(1, &event_, FALSE, timeout_ms - elapsed, QS_ALLINPUT);
  }
}

bool ScriptedUi::finished() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return finished_;
}
int ScriptedUi::end_code() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return end_code_;
}
std::vector<ShownBox> ScriptedUi::boxes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return boxes_;
}
std::vector<std::string> ScriptedUi::phase_texts() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return phase_texts_;
}
std::vector<int> ScriptedUi::percents() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return percents_;
}
int ScriptedUi::prompts() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return prompts_;
}

void ScriptedUi::SetPhaseText(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  phase_texts_.push_back(text);
}

void ScriptedUi::SetDownloadPercent(int percent) {
  std::lock_guard<std::mutex> lock(mutex_);
  percents_.push_back(percent);
}

void ScriptedUi::SetExtractProgress(uint32_t, uint32_t) {}

int ScriptedUi::ShowBox(BoxOwner owner, const std::string& text, const std::string& caption,
                        unsigned type) {
  const ShownBox box{owner, text, caption, type};
  if (before_answer) before_answer(box);
  std::lock_guard<std::mutex> lock(mutex_);
  boxes_.push_back(box);
  if (!box_answers.empty()) {
    const int answer = box_answers.front();
    box_answers.pop_front();
    return answer;
  }
  return (type & MB_RETRYCANCEL) == MB_RETRYCANCEL ? IDCANCEL : IDOK;
}

unsigned long ScriptedUi::PromptCredentials(std::string& user, std::string& password) {
  std::lock_guard<std::mutex> lock(mutex_);
  ++prompts_;
  unsigned long result = ERROR_CANCELLED;
  if (!prompt_results.empty()) {
    result = prompt_results.front();
    prompt_results.pop_front();
  }
  if (result == 0) {
    user = "utente";
    password = "segreta";
  }
  return result;
}

void ScriptedUi::InstallFinished() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
  }
  Signal();
}

void ScriptedUi::RunUpdateDialog() {
  dialog_open_ = true;
  ++dialog_runs_;
  // The modal loop of the dialog: reports of the running request are handled here.
  while (dialog_open_ && end_code() < 0) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (!dialog_open_ || end_code() >= 0) break;
    MsgWaitForMultipleObjects(1, &event_, FALSE, 30000, QS_ALLINPUT);
  }
}

void ScriptedUi::EndUpdateDialog() {
  dialog_open_ = false;
  dialog_ended_ = true;
}

InstallParams TestInstallParams(const std::string& root) {
  InstallParams p;
  p.office_root = root + "\\office";
  p.year_folder = "ZAV2021";
  p.client_root = root + "\\QEL\\";
  p.client_bin_folder = root + "\\QEL\\BIN\\";
  CreateDirectoryA((root + "\\office").c_str(), nullptr);
  CreateDirectoryA((root + "\\dl").c_str(), nullptr);
  p.moltra_archive_path = root + "\\dl\\moltra2021.7z";
  p.qel_archive_path = root + "\\dl\\qel.7z";
  p.moltra_local_candidate = root + "\\moltra2021.7z";
  p.qel_local_candidate = root + "\\qel.7z";
  p.update_package_path = root + "\\dl\\ZAV2021.7z";
  p.update_temp_folder = root + "\\NewSetupExe";
  p.setup_exe_name = "ZAV2021.exe";
  p.skip_qel_running_check = true;
  p.user_data_folder = root + "\\QEL\\User Data";
  p.web_site = "https://www.example.invalid";
  return p;
}
