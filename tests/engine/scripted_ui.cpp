#include "scripted_ui.h"

#include "engine/program_end.h"

ScriptedUi::ScriptedUi() : event_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {
  SetProgramEndHandler([this](unsigned code) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      end_code = static_cast<int>(code);
    }
    SetEvent(event_);
  });
}

ScriptedUi::~ScriptedUi() {
  SetProgramEndHandler(nullptr);
  CloseHandle(event_);
}

bool ScriptedUi::Done() {
  std::lock_guard<std::mutex> lock(mutex_);
  return finished || end_code >= 0;
}

bool ScriptedUi::RunUntilDone(DWORD timeout_ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    if (Done()) return true;
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= timeout_ms) return false;
    MsgWaitForMultipleObjects(1, &event_, FALSE, timeout_ms - elapsed, QS_ALLINPUT);
  }
}

void ScriptedUi::SetPhaseText(const std::string& text) {
  if (on_phase_text) on_phase_text(text);
  std::lock_guard<std::mutex> lock(mutex_);
  phase_texts.push_back(text);
}

void ScriptedUi::SetDownloadPercent(int percent) { percents.push_back(percent); }

int ScriptedUi::ShowBox(BoxOwner owner, const std::string& text, const std::string& caption,
                        unsigned type) {
  if (before_answer) before_answer();
  std::lock_guard<std::mutex> lock(mutex_);
  boxes.push_back({owner, text, caption, type});
  const int fallback = (type & MB_TYPEMASK) == MB_RETRYCANCEL ? IDCANCEL : IDOK;
  if (box_answers.empty()) return fallback;
  const int answer = box_answers.front();
  box_answers.pop_front();
  return answer;
}

unsigned long ScriptedUi::PromptCredentials(std::string& user, std::string& password) {
  ++prompts;
  const unsigned long result = prompt_results.empty() ? ERROR_CANCELLED : prompt_results.front();
  if (!prompt_results.empty()) prompt_results.pop_front();
  if (result == 0) user = "utente", password = "segreta";
  return result;
}

void ScriptedUi::InstallFinished() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    finished = true;
  }
  SetEvent(event_);
}

// The dialog's modal loop: the running request's reports are handled here.
void ScriptedUi::RunUpdateDialog() {
  dialog_open = true;
  ++dialog_runs;
  while (dialog_open && !Done()) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    if (dialog_open && !Done()) MsgWaitForMultipleObjects(1, &event_, FALSE, 30000, QS_ALLINPUT);
  }
}

InstallParams TestInstallParams(const std::string& root) {
  InstallParams p;
  p.office_root = root + "\\office";
  p.year_folder = "ZAV2021";
  p.client_root = root + "\\QEL\\";
  p.client_bin_folder = root + "\\QEL\\BIN\\";
  CreateDirectoryA(p.office_root.c_str(), nullptr);
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

std::string Package(const std::string& name) {
  const char* build = std::getenv("ZAV_BUILD_DIR");
  return UnixToWindowsPath(std::string(build ? build : "") + "/tests/engine/packages/" + name);
}

namespace {
// What this process served goes when it ends: the server's folder is shared by every run.
struct ServedFiles {
  std::vector<std::string> paths;
  ~ServedFiles() {
    for (const std::string& path : paths) DeleteFileA(path.c_str());
  }
} g_served;

// Wine reuses process ids: the start time keeps names of earlier runs apart.
std::string UniqueName(const std::string& base) {
  static const std::string run =
      IntToString(GetCurrentProcessId()) + "_" + IntToString(GetTickCount());
  static int counter = 0;
  CreateDirectoryA(TestServerRoot().c_str(), nullptr);
  const std::string name = "engine_" + run + "_" + IntToString(++counter) + "_" + base;
  g_served.paths.push_back(TestServerRoot() + "\\" + name);
  return name;
}
}  // namespace

std::string ServeText(const std::string& base, const std::string& bytes) {
  const std::string name = UniqueName(base);
  WriteTextFile(TestServerRoot() + "\\" + name, bytes);
  return TestServerUrl("/files/" + name);
}

std::string ServeFile(const std::string& base, const std::string& path) {
  const std::string name = UniqueName(base);
  CopyFileA(path.c_str(), (TestServerRoot() + "\\" + name).c_str(), FALSE);
  return TestServerUrl("/files/" + name);
}

std::string ManifestText(const std::string& archive_url, const std::string& checksum) {
  return "<rel><download_url>" + archive_url +
         "</download_url><number>1.0.0.7</number>"
         "<checksum>" +
         checksum + "</checksum></rel>";
}

long long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool InOrder(const std::vector<std::string>& messages, const std::vector<std::string>& expected) {
  size_t next = 0;
  for (const std::string& message : messages)
    if (next < expected.size() && message == expected[next]) ++next;
  return next == expected.size();
}
