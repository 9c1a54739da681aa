// What the start and office pages ask of the system while deciding: page removal, the
// workstation registry, running programs, drive mapping and folders. One interface, so the
// rules can be tested with a fake; the product's implementation is in page_services.cpp.
#pragma once
#include <string>

class PageServices {
 public:
  virtual ~PageServices() = default;
  // Removes the sheet's page at this index (the index as the sheet counts it now).
  virtual void RemovePage(int index) = 0;
  // Whether this workstation is registered for the office and year in the SharedInfo file.
  virtual bool IsRegistered(const std::string& sharedinfo, const std::string& office_code,
                            int year) = 0;
  virtual bool IsMoltraRunning() = 0;
  // Ends every running client; true when one was running.
  virtual bool TerminateQel() = 0;
  // The concurrent-install question: 0 no lock, 1 go on, negative refused.
  virtual int CheckInstallLock(const std::string& folder) = 0;
  // Maps a network folder to a drive; `drive` receives its root.
  virtual bool MapNetworkDrive(const std::string& folder, std::string& drive) = 0;
  // Creates the folder with its parents; `created` tells whether it was missing.
  virtual bool CreateFolder(const std::string& folder, bool& created) = 0;
  // Permissions and attributes of a platform folder.
  virtual void SecureFolder(const std::string& folder) = 0;
  virtual bool CanWrite(const std::string& folder) = 0;
  // Asks the sheet to sort and refill the office list.
  virtual void RefreshOfficeList() = 0;
};
