// Everything an installation needs from the wizard and the command line, as one value built
// where the install starts: the engine reads this and never the application object.
#pragma once
#include <cstdint>
#include <string>

struct InstallParams {
  // Destination of the legacy runtime (MOLTRA).
  std::string office_root;    // the office folder chosen in the wizard
  std::string year_folder;    // platform folder name, "ZAV2021"
  std::string selected_year;  // year of the installation already there; empty for a new one
  // Client (QEL).
  std::string qel_folder;         // installed client found by the survey; empty when none
  std::string client_root;        // e.g. "C:\ZAV\QEL\"
  std::string client_bin_folder;  // e.g. "C:\ZAV\QEL\BIN\"
  // Packages: download targets in the temporary folder and local ones beside the setup.
  std::string moltra_archive_path;
  std::string qel_archive_path;
  std::string moltra_local_candidate;  // ".\moltra2021.7z"
  std::string qel_local_candidate;     // ".\qel.7z"
  // Server.
  std::string moltra_archive_url;
  std::string qel_manifest_url;
  std::string update_info_url;
  std::string update_package_url;
  std::string update_package_path;  // temporary folder + local package name
  std::string setup_exe_name;       // the setup's executable inside the update package
  std::string update_temp_folder;   // temporary folder + "NewSetupExe", no trailing backslash
  // Switches and credentials.
  bool skip_qel_running_check = false;
  bool skip_update = false;
  int32_t run_mode = 2;
  std::string proxy_user;
  std::string proxy_password;
  // The running setup.
  std::string own_exe_path;      // full path of the running executable
  std::string command_line;      // the argument text it was started with
  std::string user_data_folder;  // the client's user data: local app data + "\QEL\User Data"
  std::string web_site;          // shown in the update failure box
  // An unattended run waits for the updated setup it started and ends with its exit code,
  // so that whoever started this one reads the outcome.
  bool wait_for_restarted = false;
};
