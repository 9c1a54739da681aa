// What the destination pages decide: WIZ_SELECTUNIT's drive list and folder check, and
// WIZ_BEFOREINSTALL's preparation of every folder the installation writes. Pure apart from
// the log, the free-space query and the services.
#pragma once
#include <cstdint>
#include <string>

#include "survey/setting.h"
#include "wizard/prompter.h"

// What the destination pages ask of the system.
class DestinationServices {
 public:
  virtual ~DestinationServices() = default;
  // Whether a drive root ("D:\") is a network drive.
  virtual bool IsNetworkDrive(const std::string& root) = 0;
  virtual bool DirectoryExists(const std::string& folder) = 0;
  // Creates the folder with its parents; true when it exists afterwards.
  virtual bool CreateFolder(const std::string& folder) = 0;
  // Permissions and attributes of a platform folder; with `attributes` false only the
  // permissions.
  virtual void SecureFolder(const std::string& folder, bool attributes) = 0;
  virtual bool CanWrite(const std::string& folder) = 0;
  // Whether this workstation is registered for the office and year in the SharedInfo file.
  virtual bool IsRegistered(const std::string& sharedinfo, const std::string& office_code,
                            int year) = 0;
  // RemoveWorkpoint's result.
  virtual int RemoveWorkpoint(const std::string& sharedinfo, const std::string& office_code,
                              const std::string& year) = 0;
};

// The folders of this machine that the checks need.
struct MachineFolders {
  std::string windows_folder;     // "C:\Windows"
  std::string client_folder;      // "C:\ZAV\QEL\"
  std::string client_bin_folder;  // "C:\ZAV\QEL\BIN\"
};

// The disk-space thresholds, in bytes; free space must be greater.
constexpr uint64_t kSpaceOnWindowsDrive = 750000000;
constexpr uint64_t kSpaceForPlatform = 525000000;
constexpr uint64_t kSpaceForClient = 225000000;

// The drop-down line of a survey disk root ("D:\" -> "D", or "N (rete)" for a network one).
std::string DriveListLine(const std::string& disk_root, bool network);
// Whether that line is the default drive ("C:").
bool IsDefaultDriveLine(const std::string& line, const std::string& default_drive);
// The folder proposed on activation: default drive + "\ZAV\PM" + office code.
std::string ProposedFolder(const CSetting& setting);

// Next on WIZ_SELECTUNIT with the selected line: true (office_root and base_path set) when
// the folder passes CheckDestination.
bool SelectUnitNext(const std::string& line, CSetting& setting, Prompter& prompter,
                    DestinationServices& services);
// Sets office_root (a trailing backslash added) and checks it against the installations
// found: another office's folder, or this office in another folder, are refused with a
// message.
bool CheckDestination(const std::string& folder, CSetting& setting, Prompter& prompter,
                      DestinationServices& services);

// The year of this setup: the four characters after the three-letter prefix of year_folder.
std::string SetupYear(const std::string& year_folder);
// The free-space checks for the office folder (through CSetting::HasFreeSpace); the first
// failing one is shown.
bool CheckDiskSpace(CSetting& setting, const MachineFolders& machine, Prompter& prompter);

// Next on WIZ_BEFOREINSTALL: folders, write tests, space, and the removal of an invalid
// earlier registration. True to go on to the install page.
bool BeforeInstallNext(CSetting& setting, const MachineFolders& machine, Prompter& prompter,
                       DestinationServices& services);
