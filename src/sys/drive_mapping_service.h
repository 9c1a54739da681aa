// The drive-letter side of mapping network folders (MPR connections, drive types) behind
// an interface: Wine cannot make or report network connections, so tests install a fake.
#pragma once
#include <string>

class DriveMappingService {
 public:
  virtual ~DriveMappingService() = default;
  // WNetGetConnectionA for "X:". `remote` gets what the call wrote (empty when nothing);
  // a remembered but disconnected drive answers ERROR_CONNECTION_UNAVAIL with its name.
  virtual unsigned long GetConnection(const std::string& local, std::string* remote) = 0;
  // GetDriveTypeA of "X:\".
  virtual unsigned int RootDriveType(const std::string& root) = 0;
  // WNetUseConnectionA of a disk resource, remembered in the profile, no credentials.
  // `access_name` gets the name that reaches the resource.
  virtual unsigned long UseConnection(const std::string& local, const std::string& remote,
                                      std::string* access_name) = 0;
};

DriveMappingService& GetDriveMappingService();
// Installs `service` for the whole process (not owned); null restores the Windows one.
void SetDriveMappingService(DriveMappingService* service);
