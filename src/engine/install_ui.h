// What the install engine asks of the user interface. The engine decides; an
// implementation only shows (the install page, the update dialog, or a test's script).
#pragma once
#include <cstdint>
#include <string>

// Who owns a message box: the install page, the property sheet, or nobody.
enum class BoxOwner { kPage, kSheet, kNone };

class InstallUi {
 public:
  // Text of the phase (item 1020). Called on the user-interface thread, and on the
  // extraction threads during phases 4 and 5.
  virtual void SetPhaseText(const std::string& text) = 0;
  // Download percentage 0..100 (bar 1019 and "<n>% completato" in 1021); UI thread.
  virtual void SetDownloadPercent(int percent) = 0;
  // Extraction progress: bar 1019 to 0..total at `done`, and done*100/total "% completato"
  // in 1021. Called on the extraction thread, so an implementation must only send to its
  // windows (SendMessage executes on the window's own thread).
  virtual void SetExtractProgress(uint32_t done, uint32_t total) = 0;
  // A message box; `type` holds the MB_ flags. Returns the button pressed (IDOK, IDRETRY,
  // IDCANCEL). Any thread: the extraction threads show their error box themselves.
  virtual int ShowBox(BoxOwner owner, const std::string& text, const std::string& caption,
                      unsigned type) = 0;
  // The proxy-credential prompt (UI thread): 0 with user and password filled, otherwise
  // the prompt's error (1223 when cancelled).
  virtual unsigned long PromptCredentials(std::string& user, std::string& password) = 0;
  // The components are in place: the sheet moves on (posted). Extraction thread, or the UI
  // thread when nothing had to be unpacked.
  virtual void InstallFinished() = 0;

  // The update-check dialog (UI thread). RunUpdateDialog shows it modally and returns when
  // EndUpdateDialog was called; reports of running requests are handled meanwhile.
  virtual bool UpdateDialogExists() = 0;
  virtual void RunUpdateDialog() = 0;
  virtual void ShowUpdateDialog(bool show) = 0;
  virtual void SetUpdateProgress(int position) = 0;
  virtual void EndUpdateDialog() = 0;

 protected:
  ~InstallUi() = default;
};
