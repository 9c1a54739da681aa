#include "wizard/office_rules.h"

#include <cstdio>

#include "log/setup_log.h"
#include "resource.h"
#include "survey/office_code.h"
#include "sys/string_utils.h"
#include "wizard/page_table.h"

namespace {

const char kInvalidCode[] = "ATTENZIONE!!\n\nIl codice ufficio NON E' VALIDO!";
const char kCodeKnown[] = "ATTENZIONE!!\n\nL'ufficio autorizzato è già stato rilevato!";
// The registration at the end refuses an office without password: say so here, before the
// whole download runs.
const char kEmptyPassword[] =
    "ATTENZIONE!!\n\nInserire la Password contenuta nella email ricevuta da Rivaduz ZAV.";
const char kMappingFailed[] =
    "Si è verificato un problema durante la creazione dell'unità di rete.";
const char kNotWritable[] =
    "Non si dispone dei privilegi di scrittura sulla cartella di destinazione. Controllare le "
    "impostazioni e riprovare.";

bool StartsWith(const std::string& text, const std::string& prefix) {
  return !prefix.empty() && text.compare(0, prefix.size(), prefix) == 0;
}

std::string AlreadyInstalledQuestion(const std::string& year, const std::string& code,
                                     const char* what) {
  return "La Piattaforma ZAV " + year + " per l'Ufficio Autorizzato " + code + " risulta già " +
         "installata.\n\n" + what;
}

}  // namespace

bool IsValidOfficeCode(const std::string& text) {
  if (text.empty() || text.size() > 5) return false;
  const std::string padded = PadOfficeCode(text);
  for (char c : padded)
    if (c < '0' || c > '9') return false;
  return padded != "00000";
}

void RemoveDuplicateInstalls(std::vector<std::unique_ptr<InstallRecord>>& installs) {
  for (size_t i = 0; i < installs.size(); ++i) {
    const InstallRecord& first = *installs[i];
    for (size_t j = i + 1; j < installs.size();) {
      const InstallRecord& later = *installs[j];
      if (later.pm == first.pm && later.zav_path == first.zav_path && later.year == first.year)
        installs.erase(installs.begin() + j);
      else
        ++j;
    }
  }
}

std::string OfficeListLine(const InstallRecord& record) {
  if (record.kind == 2)
    return "Unità Periferica " + record.pm + " installata in " + record.zav_path;
  return "Ufficio Autorizzato " + record.pm + " - " + record.year + " (" + record.zav_path + ")";
}

std::string InstallLogLine(const InstallRecord& record, const std::string& current_assignee) {
  std::string line =
      "[  INFO] PM " + record.pm + "-" + record.pdl + " (" + record.year + ") " + record.assignee;
  if (record.assignee == current_assignee) line += " (CURRENT USER)";
  if (!record.zav_path.empty() && record.zav_path[0] == '\\') line += " (NETSHARE)";
  return line + " -> " + record.zav_path + " -> " + record.sharedinfo_path;
}

std::string NewerYearAbove(const std::vector<std::unique_ptr<InstallRecord>>& installs,
                           size_t index) {
  if (index >= installs.size()) return {};
  const InstallRecord& chosen = *installs[index];
  for (size_t i = index; i-- > 0;) {
    if (installs[i]->pm != chosen.pm) break;
    if (installs[i]->year != chosen.year) return installs[i]->year;
  }
  return {};
}

void RewriteMappedPaths(InstallRecord& record, const std::string& network_root,
                        const std::string& drive_root, bool log) {
  const struct {
    std::string* path;
    const char* name;
  } paths[] = {{&record.setup_path, "[INFO] Setup path -> "},
               {&record.base_path, "[INFO] Base path -> "},
               {&record.zav_path, "[INFO] Zav path -> "},
               {&record.sharedinfo_path, "[INFO] Sharedinfo path -> "}};
  for (const auto& p : paths) {
    // Only a path that begins with the network folder lies below it.
    if (!StartsWith(*p.path, network_root)) continue;
    const std::string old_path = *p.path;
    p.path->replace(0, network_root.size(), drive_root);
    if (log) WriteLog(p.name + old_path + " -> " + *p.path);
  }
}

void PrepareNewOffice(CSetting& s) {
  s.office_code.clear();
  s.office_password.clear();
  s.pdl_number.clear();
  s.install_kind = 1;
  if (!s.installs.empty()) {
    const InstallRecord& first = *s.installs.front();
    s.office_dir = first.zav_path;
    s.office_root = first.setup_path;
    s.base_path = first.base_path;
  }
  s.new_office = true;
  s.selected_valid = true;
}

int PmSelectNext(int index, CSetting& s, Prompter& prompter, PageServices& services) {
  WriteLog("[  INFO] Index -> " + std::to_string(index));
  if (index < 0 || static_cast<size_t>(index) >= s.installs.size()) {
    WriteLog("[  INFO] User didn't selected any pm");
    prompter.Show(MessageKind::kWarning,
                  "Cliccare il Codice Ufficio per il quale installare la "
                  "Piattaforma ZAV " +
                      s.current_year + " e poi premere Avanti.");
    return kStay;
  }
  // Everything about the chosen record is taken now: while a question is open the sheet
  // may refresh the list, which re-sorts it and removes duplicates.
  InstallRecord chosen = *s.installs[index];
  const std::string newer_year = NewerYearAbove(s.installs, index);

  if (services.CheckInstallLock(chosen.setup_path) < 0) return kStay;
  if (!newer_year.empty()) {
    WriteLog("[  INFO] Installation already updated -> " + chosen.pm + " -> " + chosen.year +
             " -> " + chosen.zav_path);
    prompter.Show(MessageKind::kWarning, "La Piattaforma ZAV " + newer_year + " " +
                                             "per l'Ufficio Autorizzato " + chosen.pm + " " +
                                             "risulta già installata.");
    return kStay;
  }

  s.office_code = chosen.pm;
  s.office_password = chosen.password;
  s.pdl_number = chosen.pdl;
  // A peripheral unit (/UP) is installed for an office of the list and stays a peripheral
  // unit: the record's kind (always an office) would turn it into an office installation.
  if (s.install_kind != 2) s.install_kind = chosen.kind;
  s.office_dir = chosen.zav_path;
  s.office_root = chosen.setup_path;
  s.sharedinfo_path = chosen.sharedinfo_path;
  s.new_office = chosen.new_office;
  s.selected_valid = chosen.valid;
  s.year_path = s.office_root;
  s.selected_year = chosen.year;

  if (StartsWith(s.office_root, "\\\\")) {
    WriteLog(
        "[  INFO] User selected a net share not mapped, ask if wants to create a net "
        "mapping unit");
    std::string drive;
    if (!services.MapNetworkDrive(s.office_root, drive)) {
      WriteLog("[* WARN] Unit creation error");
      prompter.Show(MessageKind::kWarning, kMappingFailed);
      return kStay;
    }
    if (drive.empty() || drive.back() != '\\') drive += '\\';
    WriteLog("[  INFO] Unit created as " + drive);
    const std::string network_root = s.office_root;
    for (auto& install : s.installs) RewriteMappedPaths(*install, network_root, drive, true);
    RewriteMappedPaths(chosen, network_root, drive, false);
    s.office_dir = chosen.zav_path;
    s.office_root = chosen.setup_path;
    s.sharedinfo_path = chosen.sharedinfo_path;
    s.year_path = s.office_root;
    services.RefreshOfficeList();
  }

  if (s.selected_year != s.current_year) {
    WriteLog("[  INFO] Moltra installed but not updated -> " + s.office_code + " -> " +
             s.selected_year);
    WriteLog("[  INFO] Moltra path -> " + s.office_root);
    return IDD_WIZ_BEFOREINSTALL;
  }

  const std::string database =
      s.sharedinfo_path.empty() ? s.office_root + "ZAV_Shared\\SharedInfo" : s.sharedinfo_path;
  if (services.IsRegistered(database, s.office_code, StringToInt(s.current_year))) {
    WriteLog("[  INFO] Installation already active -> " + s.office_code + " -> " + s.selected_year +
             " -> " + (s.selected_valid ? "OK" : "NOT VALID"));
    if (!s.selected_valid) return IDD_WIZ_BEFOREINSTALL;
    const bool yes = prompter.Ask(
        Question::kCreateIcon,
        AlreadyInstalledQuestion(s.selected_year, s.office_code,
                                 "Procedere alla creazione dell'icona di accesso in Piattaforma?"));
    return yes ? IDD_WIZ_INSTALL : kStay;
  }

  WriteLog("[  INFO] Moltra updated, going to create a new pdl -> " + s.office_code);
  if (!prompter.Ask(Question::kCreateWorkpoint,
                    AlreadyInstalledQuestion(s.selected_year, s.office_code,
                                             "Procedere alla creazione del posto di lavoro e "
                                             "dell'icona di accesso in Piattaforma?"))) {
    WriteLog("[  INFO] User choose NOT to create a new pdl");
    return kStay;
  }
  WriteLog("[  INFO] User choose to create a new pdl");
  const size_t slash = database.rfind('\\');
  const std::string folder = slash == std::string::npos ? database : database.substr(0, slash);
  bool created = false;
  services.CreateFolder(folder, created);
  if (created) WriteLog("[* WARN] SharedInfo dir created -> " + folder);
  WriteLog("[  INFO] Setting privileges and attributes on -> " + folder);
  services.SecureFolder(folder);
  if (services.CanWrite(folder)) return IDD_WIZ_BEFOREINSTALL;
  WriteLog("[* WARN] Not enough privileges -> " + database);
  prompter.Show(MessageKind::kWarning, kNotWritable);
  return kStay;
}

void ResetNewOffice(CSetting& s) {
  s.office_code.clear();
  s.office_password.clear();
  s.pdl_number.clear();
  s.office_dir.clear();
  s.office_root.clear();
  s.base_path.clear();
  s.install_kind = 1;
  s.new_office = true;
  s.selected_valid = true;
}

std::string OfficeCodeTyped(const std::string& text, CSetting& s, bool& cut) {
  cut = false;
  if (!s.installs.empty() && !s.new_office) return text;
  std::string code = text;
  if (code.size() > 5) {
    code.resize(5);
    cut = true;
  }
  s.office_code = code;
  const int number = StringToInt(code);
  char folder[300];
  if (s.base_path.empty())
    std::snprintf(folder, sizeof(folder), "C:\\ZAV\\PM%.5d", number);
  else
    std::snprintf(folder, sizeof(folder), "%s\\PM%.5d", s.base_path.c_str(), number);
  s.office_dir = folder;
  s.office_root = s.office_dir + "\\";
  return code;
}

int PmNewNext(const std::string& code, const std::string& password, CSetting& s,
              Prompter& prompter) {
  s.selected_year.clear();
  s.new_office = true;
  if (!IsValidOfficeCode(code)) {
    WriteLog("[* WARN] Invalid PM inserted -> " + code);
    prompter.Show(MessageKind::kError, kInvalidCode);
    return kStay;
  }
  s.office_code = PadOfficeCode(code);
  s.office_password = password;
  for (auto& install : s.installs) {
    install->pm = PadOfficeCode(install->pm);
    if (install->pm == s.office_code) {
      WriteLog("[* WARN] New PM already existant -> " + s.office_code);
      prompter.Show(MessageKind::kError, kCodeKnown);
      return IDD_WIZ_PMSELECT;
    }
  }
  if (password.empty()) {
    WriteLog("[* WARN] Empty password inserted -> " + s.office_code);
    prompter.Show(MessageKind::kError, kEmptyPassword);
    return kStay;
  }
  return kNeighbour;
}
