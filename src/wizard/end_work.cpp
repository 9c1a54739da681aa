#include "wizard/end_work.h"

#include "log/setup_log.h"

namespace {

const char kMoltraRunning[] =
    "ATTENZIONE!!\n\nE' stata rilevata una versione della Piattaforma in esecuzione. Chiudere il "
    "programma e cliccare su OK per proseguire con l'installazione.";

// Install mode: false when the workstation is not registered.
bool CompleteInstallation(CSetting& setting, Prompter& prompter, EndServices& services,
                          EndWorkState& state) {
  while (services.IsMoltraRunning()) {
    WriteLog("[* WARN] At least one Moltra running, request to close it");
    prompter.Show(MessageKind::kCloseAndRetry, kMoltraRunning);
  }
  if (services.CloseQel()) WriteLog("[* WARN] Qel already running, terminated");

  const std::string shared = setting.office_root + "ZAV_Shared";
  WriteLog("[  INFO] Setting privileges and attributes on -> " + shared);
  services.PrepareSharedFolder(shared);
  if (RegisterWorkstation(shared + "\\SharedInfo", setting, prompter, state.workpoints_copied) ==
      Registration::kNotRegistered)
    return false;

  const std::string year_path = YearFolderPath(setting.year_path);
  if (setting.install_kind == 1 && setting.selected_year != setting.current_year) {
    const std::string file = year_path + "\\HOME\\ETC\\INSTALLA.MOD";
    if (services.WriteConfigurationFile(
            file, InstallaModBytes(setting.office_code, setting.office_password, year_path)))
      WriteLog("[  INFO] Written -> " + file);
  }
  if (setting.install_kind == 2 && MayConvertUnitFolder(year_path, prompter, services))
    services.MoveUnitConfiguration(year_path);
  return true;
}

}  // namespace

EndResult RunEndWork(bool restore_mode, CSetting& setting, Prompter& prompter,
                     EndServices& services, EndWorkState& state,
                     const std::function<void(EndResult)>& show_texts) {
  if (state.done) return EndResult::kAlreadyDone;
  const EndResult result = restore_mode ? EndResult::kRestored : EndResult::kInstalled;
  if (!restore_mode && !CompleteInstallation(setting, prompter, services, state))
    return EndResult::kNotRegistered;
  if (show_texts) show_texts(result);
  std::string replaced;
  const std::string year_path = YearFolderPath(setting.year_path);
  if (ReplacePercent(setting.runtime_bin_folder, year_path, replaced))
    setting.runtime_bin_folder = replaced;
  if (ReplacePercent(setting.runtime_launcher, year_path, replaced))
    setting.runtime_launcher = replaced;
  if (!setting.runtime_launcher.empty()) {
    services.CreateDesktopShortcut(setting.service_name, restore_mode);
    services.WriteCompatibilityValues(setting.runtime_bin_folder + "\\wrun32.exe");
  }
  if (!restore_mode && OfferShare(setting.office_root, setting.office_code, prompter, services) ==
                           ShareOffer::kFailed)
    state.share_failed = true;
  WriteLog("[  INFO] Deleted lock file");
  services.RemoveInstallLock(setting.office_root);
  state.done = true;
  return result;
}
