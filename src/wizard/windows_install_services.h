// The product's services of the destination and end pages: drives, folders, SharedInfo,
// shares and the elevated re-launch (the last two through the share service seam).
#pragma once
#include "wizard/destination_rules.h"
#include "wizard/end_work.h"

class WindowsInstallServices : public DestinationServices, public EndServices {
 public:
  // `skip_qel_running_check`: the NOQELRUNNINGCHECK switch, for the running checks.
  explicit WindowsInstallServices(bool skip_qel_running_check = false)
      : skip_qel_running_check_(skip_qel_running_check) {}
  bool IsNetworkDrive(const std::string& root) override;
  bool DirectoryExists(const std::string& folder) override;
  bool CreateFolder(const std::string& folder) override;
  void SecureFolder(const std::string& folder, bool attributes) override;
  bool CanWrite(const std::string& folder) override;
  bool IsRegistered(const std::string& sharedinfo, const std::string& office_code,
                    int year) override;
  int RemoveWorkpoint(const std::string& sharedinfo, const std::string& office_code,
                      const std::string& year) override;

  bool IsDestinationShared(const std::string& folder) override;
  bool OfficeShareExists(const std::string& office_code) override;
  bool CreateOfficeShare(const std::string& office_code, const std::string& folder,
                         int& status) override;
  std::string OwnCommandLine() override;
  bool RunElevated(const std::string& program, const std::string& parameters, unsigned long& error,
                   bool& exit_read, unsigned long& exit_code) override;

  bool IsMoltraRunning() override;
  bool CloseQel() override;
  void PrepareSharedFolder(const std::string& folder) override;
  bool WriteConfigurationFile(const std::string& path, const std::string& bytes) override;
  void MoveUnitConfiguration(const std::string& year_path) override;
  void CreateDesktopShortcut(const std::string& name, bool replace) override;
  void WriteCompatibilityValues(const std::string& runtime_program) override;
  void RemoveInstallLock(const std::string& office_root) override;

 private:
  bool skip_qel_running_check_;
};

// The machine's Windows folder and client folders.
MachineFolders ThisMachineFolders();
