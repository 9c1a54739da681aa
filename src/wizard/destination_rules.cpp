#include "wizard/destination_rules.h"

#include <cstdio>

#include "log/setup_log.h"
#include "sys/string_utils.h"

namespace {

const char kSecuring[] = "[  INFO] Setting privileges and attributes on -> ";

std::string WithBackslash(const std::string& folder) {
  return !folder.empty() && folder.back() == '\\' ? folder : folder + "\\";
}

std::string NotWritableText(const std::string& folder) {
  return "Non si dispone dei privilegi di scrittura sulla cartella di destinazione " + folder +
         ". Controllare le impostazioni e riprovare.";
}

std::string SpaceText(int megabytes) {
  char text[200];
  std::snprintf(text, sizeof(text),
                "ATTENZIONE!!\n\nLo spazio sull'unità disco selezionata non è sufficiente. "
                "Sono necessari almeno %d MB liberi.",
                megabytes);
  return text;
}

std::string TwoInstallsText(const std::string& code) {
  char text[300];
  std::snprintf(text, sizeof(text),
                "ATTENZIONE!\n\nSono state individuate più installazioni del Codice Ufficio "
                "%s.\n\nPer continuare l'installazione è necessario contattare l'assistenza ZAV "
                "(Tel. ",
                code.c_str());
  return std::string(text) + ZAV_SUPPORT_PHONE + ").";
}

}  // namespace

std::string DriveListLine(const std::string& disk_root, bool network) {
  if (disk_root.empty()) return {};
  const std::string letter = ToUpperCopy(disk_root.substr(0, 1));
  return network ? letter + " (rete)" : letter;
}

bool IsDefaultDriveLine(const std::string& line, const std::string& default_drive) {
  return line + ":" == default_drive;
}

std::string ProposedFolder(const CSetting& setting) {
  return setting.default_drive + "\\ZAV\\PM" + setting.office_code;
}

bool SelectUnitNext(const std::string& line, CSetting& setting, Prompter& prompter,
                    DestinationServices& services) {
  if (line.empty()) return false;
  const std::string base = line.substr(0, 1) + ":\\ZAV";
  const std::string folder = base + "\\PM" + setting.office_code;
  if (!CheckDestination(folder, setting, prompter, services)) return false;
  setting.office_root = folder + "\\";
  setting.base_path = base;
  return true;
}

bool CheckDestination(const std::string& folder, CSetting& setting, Prompter& prompter,
                      DestinationServices& services) {
  setting.office_root = WithBackslash(folder);
  const std::string wanted = ToUpperCopy(setting.office_root);
  for (const auto& record : setting.installs) {
    const std::string existing = WithBackslash(record->setup_path);
    if (ToUpperCopy(existing) != wanted || record->pm == setting.office_code) continue;
    WriteLog("[* WARN] Install requirements check failed path -> " + setting.office_root);
    WriteLog("[* WARN] Already existant path -> " + existing);
    WriteLog("[* WARN] Current uacode -> " + setting.office_code);
    WriteLog("[* WARN] Uacode existant in path -> " + record->pm);
    prompter.Show(MessageKind::kError,
                  "ATTENZIONE!!\n\nE' stata rilevata una incongruenza tra il codice ufficio e la "
                  "cartella di installazione indicati.");
    return false;
  }
  for (const auto& record : setting.installs) {
    if (record->pm != setting.office_code) continue;
    if (ToUpperCopy(WithBackslash(record->setup_path)) == wanted) continue;
    WriteLog("[* WARN] Current uacode -> " + setting.office_code);
    WriteLog("[* WARN] Uacode already existant in path -> " + record->pm);
    prompter.Show(MessageKind::kError, TwoInstallsText(record->pm));
    return false;
  }
  if (services.IsNetworkDrive(setting.office_root.substr(0, 3)))
    WriteLog("[  INFO] Network installation detected");
  else
    WriteLog("[  INFO] Local installation detected");
  return true;
}

std::string SetupYear(const std::string& year_folder) {
  return year_folder.size() > 3 ? year_folder.substr(3, 4) : std::string();
}

bool CheckDiskSpace(CSetting& setting, const MachineFolders& machine, Prompter& prompter) {
  const std::string windows_root = machine.windows_folder.substr(0, 3);
  if (ToUpperCopy(setting.office_root.substr(0, 3)) == ToUpperCopy(windows_root)) {
    if (setting.HasFreeSpace(machine.windows_folder, kSpaceOnWindowsDrive)) return true;
    WriteLog("[* WARN] Low disk space for Moltra");
    prompter.Show(MessageKind::kError, SpaceText(750));
    return false;
  }
  bool platform = true;
  if (SetupYear(setting.year_folder) != setting.selected_year) {
    platform = setting.HasFreeSpace(setting.office_root, kSpaceForPlatform);
    if (!platform) WriteLog("[* WARN] Low disk space for Moltra");
  }
  const bool client = setting.HasFreeSpace(windows_root + "ZAV", kSpaceForClient);
  if (!client) WriteLog("[* WARN] Low disk space for QEL");
  if (!platform) {
    prompter.Show(MessageKind::kError, SpaceText(525));
    return false;
  }
  if (!client) {
    prompter.Show(MessageKind::kError, "ATTENZIONE!!\n\nLo spazio sull'unità disco " +
                                           windows_root + " non è sufficiente. Sono necessari " +
                                           "almeno " + "225" + " MB liberi.");
    return false;
  }
  return true;
}

bool BeforeInstallNext(CSetting& setting, const MachineFolders& machine, Prompter& prompter,
                       DestinationServices& services) {
  const std::string& root = setting.office_root;
  WriteLog(kSecuring + root);
  if (!services.DirectoryExists(root)) {
    services.CreateFolder(root);
    services.SecureFolder(root, true);
    if (!services.CanWrite(root)) {
      WriteLog("[* WARN] Not enough privileges for Moltra -> " + root);
      prompter.Show(MessageKind::kWarning, NotWritableText(root));
      return false;
    }
  }

  const std::string year_folder = root + setting.year_folder + "\\";
  WriteLog(kSecuring + year_folder);
  if (!services.DirectoryExists(year_folder)) services.CreateFolder(year_folder);
  services.SecureFolder(year_folder, true);

  services.CreateFolder(machine.client_bin_folder);
  WriteLog(kSecuring + machine.client_folder);
  services.SecureFolder(machine.client_folder, false);
  if (!services.CanWrite(machine.client_folder)) {
    WriteLog("[* WARN] Not enough privileges for QEL -> " + machine.client_folder);
    prompter.Show(MessageKind::kWarning,
                  "L'installazione della Piattaforma ZAV richiede i privilegi di scrittura sulla "
                  "cartella " +
                      machine.windows_folder.substr(0, 3) + "ZAV" +
                      ". Controllare le impostazioni e riprovare.");
    return false;
  }

  if (!CheckDiskSpace(setting, machine, prompter)) return false;
  WriteLog("[  INFO] Moltra install path confirmed -> " + root);
  WriteLog("[  INFO] QEL install path confirmed -> " + machine.client_bin_folder);

  const std::string shared = root + "ZAV_Shared\\";
  if (!services.DirectoryExists(shared)) services.CreateFolder(shared);
  WriteLog(kSecuring + shared);
  services.SecureFolder(shared, true);
  if (!services.CanWrite(shared)) {
    WriteLog("[* WARN] Not enough privileges for SharedInfo folder -> " + shared);
    prompter.Show(MessageKind::kWarning, NotWritableText(root));
    return false;
  }

  const std::string database = shared + "SharedInfo";
  if (services.IsRegistered(database, setting.office_code, StringToInt(setting.current_year)) &&
      !setting.selected_valid) {
    const int result =
        services.RemoveWorkpoint(database, setting.office_code, setting.selected_year);
    if (result == 0) {
      WriteLog("[  INFO] Existant pdl has been deleted. Proceed with installation.");
    } else {
      WriteLog("[**  ERR] Existant pdl hasn't been deleted -> " + std::to_string(result));
      prompter.Show(MessageKind::kError,
                    "Si è verificato un errore durante la reimpostazione del posto di lavoro. "
                    "Contattare l'assistenza.");
    }
  }
  return true;
}
