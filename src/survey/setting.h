// The survey object: fixed platform names, usable disks, earlier installations and the
// installation chosen in the wizard.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "survey/install_record.h"

// The disk list leaves out the roots "A:\\" and "B:\\" (exact text) without asking for their
// type, and keeps removable (2), fixed (3) and network (4) drives only.
bool IsFloppyRoot(const std::string& root);
bool IsUsableDriveType(unsigned drive_type);

// The drive root of a path: up to and including the first backslash after the drive letter
// (D:\ZAV\PM00123 gives D:\); the path itself when it has none.
std::string DriveRootOf(const std::string& path);

class CSetting {
 public:
  CSetting() = default;

  // LoadInf, GetDiskList, then default_drive from the system folder. Returns GetDiskList's result.
  int LoadInfAndDisks();
  // The fixed settings. Logs and rethrows what goes wrong.
  void LoadInf();
  // Fills `disks` with the removable, fixed and network drive roots. Returns 0.
  int GetDiskList();

  // Earlier installations on the usable disks: 0 on success, 1 when the search ended early.
  int CheckForPreviousPlatform();
  // Drops every orphan whose folder is also the folder of a registered install.
  void RemoveRegisteredOrphans();
  // The installed platform client: sets qel_folder.
  void FindQelClient();
  // Reads the SharedInfo database below `folder` into `installs`; 14 for an empty folder.
  int FindSharedInfo(const std::string& folder, int year);

  bool SameWorkpoint(int i, int j) const;
  bool HasInvalidInstall() const;
  bool HasInvalidInstallOfCurrentYear() const;
  bool HasOrphans() const { return !orphans.empty(); }
  // True when the drive of `path` (the path cut after the backslash that follows its drive
  // letter) has more than `bytes` free for this user; the amount is kept in free_bytes.
  // False when the drive cannot be queried.
  bool HasFreeSpace(const std::string& path, uint64_t bytes);

  std::string windows_drive;
  std::string year_folder;
  std::string year_path;
  std::string runtime_launcher;
  std::string runtime_bin_folder;
  std::string service_name;
  std::string current_year;
  std::string default_drive;
  uint64_t free_bytes = 0;
  std::string office_code;
  std::string office_password;
  std::string pdl_number;
  std::string selected_year;
  std::string office_dir;
  std::string office_root;
  std::string base_path;
  std::string sharedinfo_path;
  // 1 = office installation, 2 = silent installation of a peripheral unit ("/UP").
  int32_t install_kind = 1;
  bool new_office = false;
  bool selected_registered = false;
  bool selected_valid = false;
  std::string qel_folder;
  std::vector<std::unique_ptr<InstallRecord>> installs;
  std::vector<std::unique_ptr<InstallRecord>> orphans;
  std::vector<std::string> sharedinfo_digests;
  std::vector<std::string> disks;

 private:
  // One candidate installation folder: adds it to `orphans` and keeps it only when an
  // office code can be read from one of its files.
  void AddOrphanCandidate(const std::string& zav_path, const std::string& setup_path,
                          const std::string& year);
};
