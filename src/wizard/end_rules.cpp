#include "wizard/end_rules.h"

#include <cstdio>

#include "log/setup_log.h"
#include "sharedinfo/sharedinfo.h"
#include "sys/string_utils.h"

namespace {

const char kConfigError[] =
    "Errore nella scrittura delle configurazioni sul disco. L'applicazione potrebbe non "
    "funzionare correttamente.";
const char kRegistrationError[] =
    "Errore nella scrittura delle configurazioni sul disco. Verificare i privilegi di scrittura "
    "sulla cartella di destinazione.";
const char kShareQuestion[] =
    "Se desideri utilizzare la Piattaforma ZAV anche negli altri PC dello Studio è necessario "
    "che le cartelle ZAV siano condivise nella rete locale dello Studio.\n\nProcedere con la "
    "condivisione della Piattaforma ZAV per utilizzarla in multiutenza da più postazioni di "
    "lavoro?";
const char kShareFailed[] =
    "La condivisione automatica della Cartella ZAV non è andata a buon fine.\nTerminata "
    "l'installazione procedere a condividere la cartella ZAV tramite l'interfaccia di "
    "Windows.\nNell'Assistente ZAV è disponibile la guida.";
const char kShareCaption[] = "Condivisione";
constexpr unsigned long kAccessDenied = 5;

std::string ShareDoneText() {
  return std::string(
             "La Piattaforma ZAV è stata condivisa con successo.\n\nTerminata l'installazione, "
             "posizionarsi sugli altri PC dello Studio e procedere a scaricare il setup da "
             "https://") +
         ZAV_WEB_HOST + "/piattaforma" +
         ".\nUna volta scaricato il setup, eseguirlo e selezionare l'opzione Aggiungi un posto "
         "di lavoro.\nQuesta operazione dovrà essere fatta per ogni PC dello Studio in cui si "
         "desidera utilizzare la Piattaforma ZAV.";
}

// The elevated setup that only shares the folder; its exit code (0 = shared) in `code`.
bool ShareElevated(const std::string& folder, const std::string& office_code,
                   ShareOfferServices& services, unsigned long& code) {
  WriteLog("[* WARN] Sharing failed due to privilege error, check alternarives");
  std::string program, parameters;
  SplitOwnCommandLine(services.OwnCommandLine(), program, parameters);
  parameters += " /SHARE=" + office_code + ";" + folder;
  WriteLog("[  INFO] executable -> " + program);
  WriteLog("[  INFO] params -> " + parameters);
  unsigned long error = 0;
  bool exit_read = false;
  if (!services.RunElevated(program, parameters, error, exit_read, code)) {
    WriteLog("[* WARN] Unable to start setup as admin -> " + std::to_string(error));
    WriteLog("[* WARN] Failed to start setup to create net share with admin privileges");
    code = kAccessDenied;
    return false;
  }
  WriteLog("[  INFO] Setup with admin privileges started successfully");
  if (!exit_read) code = 0;
  // Still running after the wait: its code is the still-active one, and nothing is shared yet.
  return exit_read && code == 0;
}

}  // namespace

bool IsDriveRoot(const std::string& path) {
  if (path.empty()) return false;
  const std::string folder = path.back() == '\\' ? path : path + "\\";
  return folder == path.substr(0, 1) + ":\\";
}

std::string YearFolderPath(const std::string& year_path) {
  if (!year_path.empty() && year_path.back() == '\\')
    return year_path.substr(0, year_path.size() - 1);
  return year_path;
}

std::string InstallaModBytes(const std::string& office_code, const std::string& password,
                             const std::string& year_path) {
  char code[16];
  std::snprintf(code, sizeof(code), "%.5d", StringToInt(office_code));
  return code + password + "\r\r\n" + year_path;
}

void SplitOwnCommandLine(const std::string& raw, std::string& program, std::string& parameters) {
  const size_t slash = raw.find('/');
  program = slash == std::string::npos ? raw : raw.substr(0, slash);
  parameters = slash == std::string::npos ? std::string() : raw.substr(slash);
  while (!program.empty() && (program.back() == ' ' || program.back() == '\t')) program.pop_back();
  if (!program.empty() && program.front() == '"') program.erase(0, 1);
  if (!program.empty() && program.back() == '"') program.pop_back();
}

bool ReplacePercent(const std::string& pattern, const std::string& year_path, std::string& out) {
  const size_t percent = pattern.find('%');
  if (percent == std::string::npos) return false;
  std::string replaced = pattern;
  replaced.replace(percent, 1, year_path);
  if (replaced.size() >= 260) return false;  // the path buffer of the runtime's values
  out = replaced;
  return true;
}

Registration RegisterWorkstation(const std::string& database, const CSetting& setting,
                                 Prompter& prompter, bool& copied) {
  copied = false;
  // Without the database nothing is registered: an installation no workstation row names
  // is not usable, whatever the files say.
  if (CreateSharedInfo(database) != kSharedInfoOk) {
    WriteLog("[**  ERR] SharedInfo not created -> " + database);
    prompter.ShowCaptioned(MessageKind::kError, kConfigError, "Errore");
    return Registration::kNotRegistered;
  }
  int id = 0;
  // Without the year's row nothing can be registered (another PC holding the shared file
  // longer than the busy timeout, say): that is a failed registration, not a done one.
  const bool year_ready = CheckInstallation(database, setting.current_year, &id) == kSharedInfoOk;
  bool registered = false;
  if (year_ready)
    ExistValidInstall(database, setting.office_code, StringToInt(setting.current_year),
                      &registered);
  if (!year_ready ||
      (!registered && AddPdlEntry(database, setting.office_code, setting.office_password, id,
                                  setting.office_root, "") != kSharedInfoOk)) {
    WriteLog("[**  ERR] Unable to write on SharedInfo -> " + database);
    prompter.ShowCaptioned(MessageKind::kError, kRegistrationError, "Errore");
    return Registration::kNotRegistered;
  }
  bool created = false;
  if (DuplicateEntireYear(database, setting.office_code, setting.current_year, &created) !=
      kSharedInfoOk) {
    WriteLog("[**  ERR] Errors on creating pdl for past year on SharedInfo -> " + database);
  } else if (created) {
    WriteLog("[  INFO] Created other user on same year and/or current user on previous year");
    copied = true;
  }
  return Registration::kDone;
}

bool MayConvertUnitFolder(const std::string& year_path, Prompter& prompter,
                          ShareOfferServices& services) {
  if (!IsOnNetwork(year_path, services)) return true;
  if (prompter.Ask(Question::kConvertNetworkUnit,
                    "ATTENZIONE!!\n\nLa cartella " + year_path +
                        " si trova su un'unità di rete ed è utilizzata dagli altri PC dello "
                        "Studio.\nConvertendola in Unità Periferica gli altri PC non potranno "
                        "più utilizzare la Piattaforma ZAV come Ufficio Autorizzato.\n\n"
                        "Procedere con la conversione della cartella in Unità Periferica?")) {
    WriteLog("[* WARN] Unit configuration on a network drive, converted on request -> " +
             year_path);
    return true;
  }
  WriteLog("[* WARN] Unit configuration on a network drive, left as it is -> " + year_path);
  return false;
}

bool IsOnNetwork(const std::string& path, ShareOfferServices& services) {
  return path.compare(0, 2, "\\\\") == 0 || services.IsNetworkDrive(path.substr(0, 3));
}

bool ShareOfferDue(const std::string& folder, const std::string& office_code,
                   ShareOfferServices& services, bool log) {
  const std::string drive = folder.substr(0, 3);
  if (services.IsNetworkDrive(drive)) {
    if (log)
      WriteLog("[  INFO] Destination unit is " + drive +
               " and is remote, so don't ask for share it");
    return false;
  }
  if (log)
    WriteLog("[  INFO] Destination unit is " + drive +
             " and is not remote, so look if can be shared");
  if (IsDriveRoot(folder)) {
    if (log)
      WriteLog("[  INFO] Destination path is root, so no net share will be created -> " + folder);
    return false;
  }
  if (services.IsDestinationShared(folder)) return false;
  if (services.OfficeShareExists(office_code)) {
    if (log) WriteLog("[  INFO] There is already a network share for " + folder + ", going on");
    return false;
  }
  return true;
}

ShareOffer OfferShare(const std::string& folder, const std::string& office_code,
                      Prompter& prompter, ShareOfferServices& services) {
  if (!ShareOfferDue(folder, office_code, services, true)) return ShareOffer::kNotOffered;
  WriteLog("[  INFO] No network share, ask user if wants to create it for path " + folder);
  if (!prompter.Ask(Question::kShareOffer, kShareQuestion, kShareCaption)) {
    WriteLog("[* WARN] User choose NOT to create a network share for path " + folder);
    return ShareOffer::kDeclined;
  }
  WriteLog("[  INFO] User choose to create a network share for path " + folder);
  int status = 0;
  if (services.CreateOfficeShare(office_code, folder, status)) {
    prompter.ShowCaptioned(MessageKind::kInformation, ShareDoneText(), kShareCaption);
    return ShareOffer::kShared;
  }
  unsigned long code = static_cast<unsigned long>(status);
  if (status == static_cast<int>(kAccessDenied)) {
    if (ShareElevated(folder, office_code, services, code)) {
      prompter.ShowCaptioned(MessageKind::kInformation, ShareDoneText(), kShareCaption);
      WriteLog("[  INFO] Net share created successfully");
      return ShareOffer::kShared;
    }
  }
  if (code != 0)
    WriteLog("[* WARN] Sharing failed due to error -> " + std::to_string(code));
  else
    WriteLog("[* WARN] Error retrieving exit code");
  prompter.ShowCaptioned(MessageKind::kWarning, kShareFailed, kShareCaption);
  return ShareOffer::kFailed;
}

std::string WorkpointsCopiedText(const std::string& current_year) {
  return "Per accedere alla Piattaforma ZAV " + current_year +
         " anche dalle altre postazioni di lavoro procedere a chiudere in tutte le postazioni "
         "l'icona ZAV presente nell'area di notifica di Windows (in basso a destra vicino "
         "all'ora e data di Windows):\n1. Cliccare sull’icona ZAV presente nell'area delle "
         "notifiche di Windows\n2. Selezionare Esci\noppure riavviare i PC Client.";
}
