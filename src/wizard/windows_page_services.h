// The product's PageServices: the sheet, the registry, processes, drive mapping, folders.
#pragma once
#include <windows.h>

#include "wizard/page_services.h"

class WindowsPageServices : public PageServices {
 public:
  WindowsPageServices(HWND page, HWND sheet) : page_(page), sheet_(sheet) {}
  void RemovePage(int index) override;
  bool IsRegistered(const std::string& sharedinfo, const std::string& office_code,
                    int year) override;
  bool IsMoltraRunning() override;
  bool TerminateQel() override;
  int CheckInstallLock(const std::string& folder) override;
  bool MapNetworkDrive(const std::string& folder, std::string& drive) override;
  bool CreateFolder(const std::string& folder, bool& created) override;
  void SecureFolder(const std::string& folder) override;
  bool CanWrite(const std::string& folder) override;
  void RefreshOfficeList() override;

 private:
  HWND page_;
  HWND sheet_;
};
