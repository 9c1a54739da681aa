// The install engine: the download sequence (phases 1-3), extraction and placement (phases
// 4-5), the setup's self-update and the restore. It reads one InstallParams value, reports
// through InstallUi and ends the program only through EndProgram.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/install_params.h"
#include "engine/install_ui.h"
#include "engine/written_entries.h"
#include "log/setup_log.h"
#include "net/wininet_wrapper_delegate.h"

// Texts and log lines of the download phases, by phase number 1..3.
struct DownloadPhaseTexts {
  const char* finished;
  const char* not_completed;
  const char* connection_error;
};
extern const DownloadPhaseTexts kDownloadPhaseTexts[3];

extern const char kConnectionProblemText[];
extern const char kUpdateConnectionProblemText[];
extern const char kMoltraRunningText[];
extern const char kSignatureProblemText[];

// Percentage shown for `bytes` of `content_length` (each division truncating); -1 when the
// length is below 100 and nothing is shown.
int DownloadPercent(long long bytes, long long content_length);
// The box of a package that could not be saved (full disk, folder not writable): the
// folder and the space needed.
std::string WriteProblemText(const std::string& folder, long long bytes_needed);
// Removes the partial files of every package (an installation that ends, done or
// cancelled, never leaves one to be trusted).
void RemovePartialDownloads(const InstallParams& params);
// Extraction percentage: done * 100 / total, 0 for an empty total.
int ExtractPercent(uint32_t done, uint32_t total);
// Caption of the update's boxes: "DEV - ", "TEST - " or nothing, then the service caption.
std::string UpdateBoxCaption(int32_t run_mode);

class InstallEngine : public WininetWrapperDelegate {
 public:
  InstallEngine(const InstallParams& params, InstallUi& ui);
  ~InstallEngine();
  InstallEngine(const InstallEngine&) = delete;
  InstallEngine& operator=(const InstallEngine&) = delete;

  // Download sequence, user-interface thread.
  void StartPhase1();
  void StartPhase2();
  void StartPhase3();
  // Placement: StartPhase4 on the user-interface thread, StartPhase5 on the runtime
  // extraction thread (or the caller's thread when there is nothing to unpack, or when the
  // runtime, unpacked during the client's download, was done before phase 4).
  void StartPhase4();
  void StartPhase5();
  // Self-update and restore, user-interface thread.
  void StartUpdateCheck();
  void StartUpdateDownload();
  void ApplyUpdate();
  void StartRestore();
  // The update dialog was closed from its title bar: the check is abandoned, its reports
  // are ignored and the wizard goes on with this setup.
  void AbandonUpdate();
  // The user cancelled (user-interface thread): no further phase starts, unpacking stops
  // before its next entry, and once every extraction thread has ended what this run added
  // to the destinations is removed (what was there before stays). Returns after all that.
  void Cancel();
  bool cancelled() const { return cancel_.load(); }

  // WininetWrapperDelegate: every report arrives on the user-interface thread.
  void OnContentLength(WininetWrapper* request, long long length) override;
  void OnProgress(WininetWrapper* request, long long bytes_so_far) override;
  void OnCompleted(WininetWrapper* request) override;

  // Receiver of the requests' reports; null: the engine itself. A receiver other than the
  // engine must hand every report on to it.
  WininetWrapperDelegate* request_delegate = nullptr;
  // Held and released around the start of the updated setup (the single-instance mutex).
  std::function<void(bool hold)> instance_lock;

  // State the application object mirrors. install_state changes on the extraction threads
  // too; year_path is set on the user-interface thread before any thread starts.
  std::atomic<int16_t> install_state{-1};
  WininetWrapper* current_request = nullptr;
  std::string moltra_local_package;
  std::string qel_local_package;
  std::string qel_archive_url;
  std::string qel_version;
  std::string qel_checksum;
  std::string proxy_user;
  std::string proxy_password;
  std::string year_path;
  bool skip_update = false;
  void* install_thread = nullptr;  // handle of the extraction thread started last

 private:
  // `target`: a package's final name (the body goes to disk); empty for a small document.
  // `signature`: the request fetches the signature of the download just completed.
  void StartRequest(const std::string& url, const std::string& target = std::string(),
                    bool signature = false);
  // Every download is handled once its signature (URL + ".sig") has been fetched too.
  bool FetchSignature(WininetWrapper*& request);
  // Verifies the download just completed: `body` in memory, or else the complete file at
  // `path` (by the digest `request` took while writing it, when it has one). A refused
  // download is deleted, logged and refused to the user; false then.
  bool Trusted(const std::string* body, const std::string& path,
               const WininetWrapper* request = nullptr);
  // A package could not be saved: its own message; true for Retry.
  bool AskAfterWriteFailure(const std::string& target, const WininetWrapper& request,
                            const std::string& caption);
  // Cancel during a download: what was unpacked ahead and the partial files go, then the
  // program ends with 0.
  void EndInstallation();
  void StartPhase(int phase);
  void OnPhaseCompleted(int phase, WininetWrapper* request);
  void OnUpdateInfoCompleted(WininetWrapper* request);
  void OnUpdatePackageCompleted(WininetWrapper* request);
  bool AskCredentials();
  void ShowUpdateFailure();
  bool RemoveUpdateFolder(const std::string& folder);
  bool StartExtractionThread(unsigned(__stdcall* body)(void*));
  static unsigned __stdcall MoltraThread(void* engine);
  static unsigned __stdcall QelThread(void* engine);
  void RunMoltraExtraction();
  // Unpacks the runtime and resets its attributes; false when cancelled. `result`: 0 or the
  // extraction's error, `before`: the platform folder as it was.
  bool UnpackMoltra(uint32_t& result, const FolderSnapshot*& before);
  // After the runtime's unpacking: the failure, or phase 5.
  void AfterMoltra(uint32_t result, const FolderSnapshot& before);
  // The runtime is unpacked while the client downloads. Nothing of it shows (progress,
  // boxes, log lines) until the sequence reaches phase 4; an installation that ends before
  // then removes it.
  void StartEarlyMoltra();
  static unsigned __stdcall EarlyMoltraThread(void* engine);
  void RunEarlyMoltra();
  void ReachEarlyMoltra();
  void DropEarlyMoltra();
  // Joins every extraction thread and removes what this run added; how many entries.
  int RemoveWhatTheRunWrote();
  void RunQelExtraction();
  void WaitForPlatformToClose();
  void ReportProgress(uint32_t done, uint32_t total);
  void SetYearPath();
  // What a destination holds before this run writes to it; kept for a cancel.
  const FolderSnapshot& Snapshot(const std::string& folder);
  // Creates the folder with its parents, remembering those this run created.
  bool CreateFolder(const std::string& folder);
  // A failed phase 4 or 5: the message, what this run added removed, the end with `code`.
  void FailPlacement(const std::string& what, uint32_t code, const std::string& folder,
                     const FolderSnapshot& before);

  InstallParams params_;
  InstallUi& ui_;
  // Both extraction threads' handles stay valid while the engine lives (the application
  // keeps a copy of the last one); only a cancel joins them.
  std::atomic<bool> cancel_{false};
  std::mutex placement_mutex_;  // the three below: the runtime thread starts the client's
  std::vector<void*> thread_handles_;
  std::vector<std::unique_ptr<FolderSnapshot>> snapshots_;
  std::vector<std::string> created_folders_;  // innermost first
  std::vector<std::string> announced_version_;
  // The runtime unpacked ahead (under placement_mutex_ but early_started_, which only the
  // user-interface thread reads and writes).
  bool early_started_ = false;
  bool early_done_ = false;
  bool phase4_reached_ = false;
  uint32_t early_result_ = 0;
  const FolderSnapshot* early_before_ = nullptr;
  HeldLogLines early_log_;
  std::atomic<bool> show_extract_progress_{true};
  std::atomic<uint32_t> extract_done_{0}, extract_total_{0};
  // The download whose signature is being fetched, and the signature of the last one.
  std::string signed_url_;
  WininetWrapper* signed_request_ = nullptr;
  WininetWrapper* signature_request_ = nullptr;
  std::string signature_;
};

// True when the file can be opened for reading in shared mode: a package is present.
bool CanOpenPackage(const std::string& path);
