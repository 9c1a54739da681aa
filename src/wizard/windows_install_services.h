// The product's services of the destination and end pages: drives, folders, SharedInfo,
// shares and the elevated re-launch (the last two through the share service seam).
#pragma once
#include "wizard/destination_rules.h"
#include "wizard/end_rules.h"

class WindowsInstallServices : public DestinationServices, public ShareOfferServices {
 public:
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
};

// The machine's Windows folder and client folders.
MachineFolders ThisMachineFolders();
