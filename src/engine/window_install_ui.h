// The install engine's user interface on real windows: the controls of the page in use,
// message boxes, the credential dialog, the end message to the sheet and the update-check
// dialog (template 154). An install page may use it as is or implement InstallUi itself.
#pragma once
#include <windows.h>

#include <functional>

#include "engine/install_ui.h"

constexpr int kUpdateDialogTemplate = 154;
constexpr int kUpdateProgressItem = 1039;
constexpr int kPhaseTextItem = 1020;
constexpr int kProgressBarItem = 1019;
constexpr int kPercentTextItem = 1021;

class WindowInstallUi : public InstallUi {
 public:
  // The windows are asked for at each call: the page in use changes while the wizard runs.
  WindowInstallUi(std::function<HWND()> page, std::function<HWND()> sheet);

  // Called when the user closes the update dialog from its title bar.
  std::function<void()> on_update_dialog_close;
  // Called (on the reporting thread) instead of pressing the sheet's Next when the install
  // finished.
  std::function<void()> on_finished;
  // Null: template 154 of the executable. Tests give an in-memory one.
  const DLGTEMPLATE* update_template = nullptr;
  HWND update_dialog() const { return dialog_; }

  void SetPhaseText(const std::string& text) override;
  void SetDownloadPercent(int percent) override;
  void SetExtractProgress(uint32_t done, uint32_t total) override;
  int ShowBox(BoxOwner owner, const std::string& text, const std::string& caption,
              unsigned type) override;
  unsigned long PromptCredentials(std::string& user, std::string& password) override;
  void InstallFinished() override;
  bool UpdateDialogExists() override { return dialog_ != nullptr || running_; }
  void RunUpdateDialog() override;
  void ShowUpdateDialog(bool show) override;
  void SetUpdateProgress(int position) override;
  void EndUpdateDialog() override;

 private:
  static INT_PTR CALLBACK UpdateDialogProc(HWND dialog, UINT message, WPARAM, LPARAM lparam);
  void SetPercentText(int percent);

  std::function<HWND()> page_;
  std::function<HWND()> sheet_;
  HWND dialog_ = nullptr;
  bool running_ = false;  // inside RunUpdateDialog
  bool end_requested_ = false;
};
