#include "wizard/start_rules.h"

#include <algorithm>

#include "log/setup_log.h"
#include "resource.h"
#include "survey/install_order.h"
#include "sys/string_utils.h"
#include "wizard/page_table.h"

namespace {

const char kNoOption[] = "ATTENZIONE!!\n\nSeleziona un'opzione per procedere.";
const char kNothingToRestore[] =
    "ATTENZIONE!!\n\nNon è stata rilevata nessuna Piattaforma ZAV da ripristinare.";
const char kPlatformRunning[] =
    "ATTENZIONE!!\n\nE' stata rilevata una versione della Piattaforma in esecuzione. Chiudere il "
    "programma e cliccare su OK per proseguire con l'installazione.";
const char kConfirmUnit[] = "Confermi l'installazione dell'unità periferica?";
// A peripheral unit is installed into an existing office's folder: without any office
// found it would go on with an empty office code.
const char kNoOfficeForUnit[] =
    "ATTENZIONE!!\n\nNon è stata rilevata nessuna Piattaforma ZAV per cui installare l'unità "
    "periferica.";

bool HasYear(const CSetting& setting, const std::string& year) {
  return std::any_of(setting.installs.begin(), setting.installs.end(),
                     [&](const auto& install) { return install->year == year; });
}

}  // namespace

const char kInvalidConfigQuestion[] =
    "ATTENZIONE!!\n\nE' stata rilevata una configurazione non valida, vuoi procedere con "
    "l'installazione?";

std::string SheetCaption(int run_mode, const std::string& product_caption,
                         const std::string& system_name) {
  std::string caption = run_mode == 0 ? "DEV - " : run_mode == 1 ? "TEST - " : "";
  return caption + product_caption + " - " + system_name;
}

InvalidConfig CheckInvalidConfig(const CSetting& setting) {
  if (!setting.HasOrphans() && !setting.HasInvalidInstall()) return InvalidConfig::kNone;
  for (const auto& install : setting.installs)
    if (!install->valid)
      WriteLog("[* WARN] PM -> " + install->pm + " -> " + install->zav_path + " -> " +
               install->assignee + " -> " + install->sharedinfo_path + " -> INVALID");
  if (setting.HasInvalidInstallOfCurrentYear()) {
    WriteLog("[* WARN] Invalid install detected for current year");
    return InvalidConfig::kCurrentYear;
  }
  WriteLog("[  INFO] Invalid install detected but not for current year");
  return InvalidConfig::kOtherYear;
}

void AcceptInvalidConfig(CSetting& setting, const std::string& current_assignee) {
  if (setting.orphans.empty()) return;
  for (const auto& orphan : setting.orphans)
    setting.installs.push_back(std::make_unique<InstallRecord>(*orphan));
  SortInstalls(setting.installs, current_assignee);
}

int StartNext(int option, CSetting& setting, StartFlags& flags, Prompter& prompter,
              PageServices& services) {
  if (option == 0) {
    WriteLog("[  INFO] No radio option selected");
    prompter.Show(MessageKind::kWarning, kNoOption);
    return kStay;
  }
  if (option == IDC_OPTION_ADD_PDL && !HasYear(setting, setting.current_year)) {
    prompter.Show(MessageKind::kWarningWithHelp,
                  "ATTENZIONE!!\n\nNon è stata trovata nessuna Piattaforma ZAV " +
                      setting.current_year + " per cui creare un nuovo posto di lavoro.");
    return kStay;
  }
  if (option != IDC_OPTION_RESTORE && setting.install_kind == 2 && setting.installs.empty()) {
    WriteLog("[* WARN] Peripheral unit requested but no installation found");
    prompter.Show(MessageKind::kWarning, kNoOfficeForUnit);
    return kStay;
  }

  // The not-supported page is never reached by Next; the list page only with a list.
  if (!flags.notsupported_removed) {
    services.RemovePage(kPageNotSupported);
    flags.notsupported_removed = true;
  }
  if (setting.installs.empty() && !flags.pmselect_removed) {
    services.RemovePage(flags.notsupported_removed ? 1 : 2);
    flags.pmselect_removed = true;
  }

  if (option == IDC_OPTION_RESTORE) {
    const bool restorable =
        std::any_of(setting.installs.begin(), setting.installs.end(), [&](const auto& install) {
          return services.IsRegistered(install->sharedinfo_path, install->pm,
                                       StringToInt(install->year));
        });
    if (!restorable) {
      prompter.Show(MessageKind::kWarning, kNothingToRestore);
      return kStay;
    }
    if (services.IsMoltraRunning()) {
      WriteLog("[* WARN] At least one Moltra running, request to close it");
      prompter.Show(MessageKind::kCloseAndRetry, kPlatformRunning);
      return kStay;
    }
    if (services.TerminateQel()) WriteLog("[* WARN] EE - Qel already running, terminated");
    flags.restore_mode = true;
    return IDD_WIZ_INSTALL;
  }

  if (setting.install_kind != 2) return kNeighbour;
  if (!flags.pmnew_removed) {
    services.RemovePage(flags.pmselect_removed ? 1 : 2);
    flags.pmnew_removed = true;
  }
  if (!prompter.Ask(Question::kConfirmUnit, kConfirmUnit)) return kStay;
  setting.year_path = setting.office_root + setting.year_folder;
  return kNeighbour;
}
