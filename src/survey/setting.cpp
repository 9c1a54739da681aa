#include "survey/setting.h"

#include <windows.h>

#include <stdexcept>

#include "log/setup_log.h"
#include "sys/fs_utils.h"

bool IsFloppyRoot(const std::string& root) { return root == "A:\\" || root == "B:\\"; }

bool IsUsableDriveType(unsigned drive_type) {
  return drive_type == DRIVE_REMOVABLE || drive_type == DRIVE_FIXED || drive_type == DRIVE_REMOTE;
}

int CSetting::LoadInfAndDisks() {
  LoadInf();
  const int result = GetDiskList();
  char system_folder[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryA(system_folder, MAX_PATH);
  if (length >= 2 && length < MAX_PATH) default_drive.assign(system_folder, 2);
  return result;
}

void CSetting::LoadInf() {
  try {
    WriteLog("[  INFO] Getting info about install");
    year_folder = "ZAV2021";
    if (year_folder.size() < 3) throw "Nome della cartella dell'anno non valido.";
    current_year = year_folder.substr(3);
    const std::string bin_folder = GetDefaultClientBinFolder();
    if (bin_folder.size() < 2) throw "Cartella di Windows non trovata.";
    windows_drive = bin_folder.substr(0, 2);
    year_path = windows_drive + "\\";
    runtime_bin_folder = "%\\HOME\\BIN";
    runtime_launcher = "%\\home\\bin\\wrun32.exe";
    service_name = "Rivaduz ZAV";
  } catch (const char* text) {
    WriteLog(std::string("[* WARN] Exception on CSetting::LoadInf -> ") + text);
    throw;
  } catch (...) {
    WriteLog("[* WARN] Exception on CSetting::LoadInf");
    throw;
  }
}

int CSetting::GetDiskList() {
  WriteLog("[  INFO] Getting disk list");
  const DWORD size = GetLogicalDriveStringsA(0, nullptr);
  if (size == 0) return 0;
  std::string buffer(size + 1, '\0');
  const DWORD written = GetLogicalDriveStringsA(size, &buffer[0]);
  if (written == 0 || written > size) return 0;
  // The list is a run of NUL-terminated roots ended by an empty one.
  for (size_t at = 0; at < written && buffer[at] != '\0';) {
    const std::string root(buffer.c_str() + at);
    at += root.size() + 1;
    WriteLog("[  INFO] Getting valid disk -> " + root);
    if (IsFloppyRoot(root)) continue;
    if (IsUsableDriveType(GetDriveTypeA(root.c_str()))) disks.push_back(root);
  }
  return 0;
}

void CSetting::RemoveRegisteredOrphans() {
  for (auto orphan = orphans.begin(); orphan != orphans.end();) {
    bool registered = false;
    for (const auto& install : installs) {
      if (install->zav_path == (*orphan)->zav_path) {
        registered = true;
        break;
      }
    }
    orphan = registered ? orphans.erase(orphan) : orphan + 1;
  }
}

bool CSetting::SameWorkpoint(int i, int j) const {
  if (i < 0 || j < 0) return false;
  const size_t count = installs.size();
  if (static_cast<size_t>(i) >= count || static_cast<size_t>(j) >= count) return false;
  const InstallRecord& a = *installs[i];
  const InstallRecord& b = *installs[j];
  return a.pm == b.pm && a.year == b.year && a.pdl == b.pdl;
}

bool CSetting::HasInvalidInstall() const {
  for (const auto& install : installs)
    if (!install->valid) return true;
  return false;
}

bool CSetting::HasInvalidInstallOfCurrentYear() const {
  for (const auto& install : installs)
    if (!install->valid && install->year == current_year) return true;
  for (const auto& orphan : orphans)
    if (orphan->year == current_year) return true;
  return false;
}
