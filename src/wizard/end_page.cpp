// WIZ_END: completes the installation (registration, configuration files, shortcut, share
// offer, lock removal) once the engine has placed the components; only Finish is offered.
#include <windows.h>
#include <prsht.h>

#include <string>

#include "app/app.h"
#include "engine/program_end.h"
#include "log/setup_log.h"
#include "resource.h"
#include "sys/fs_utils.h"
#include "sys/install_lock.h"
#include "sys/process_checks.h"
#include "wizard/end_files.h"
#include "wizard/end_rules.h"
#include "wizard/message_box_prompter.h"
#include "wizard/page_table.h"
#include "wizard/pages.h"
#include "wizard/sheet.h"
#include "wizard/windows_install_services.h"

namespace {

// Runs the end work once the page is shown, so its questions appear over it.
constexpr UINT kEndWork = WM_APP + 3;
// The workstation could not be registered: the installation is not usable.
constexpr unsigned kExitNotRegistered = 4;

bool g_end_done = false;
bool g_workpoints_copied = false;

void ShowItems(HWND page, std::initializer_list<int> ids) {
  for (int id : ids) ShowWindow(GetDlgItem(page, id), SW_SHOW);
}

// Install mode: false when the process must end (the workstation is not registered).
bool CompleteInstallation(HWND page, CSetting& setting, MessageBoxPrompter& prompter) {
  while (IsMoltraRunning(page, g_app->skip_qel_running_check())) {
    WriteLog("[* WARN] At least one Moltra running, request to close it");
    prompter.Show(MessageKind::kWarning,
                  "ATTENZIONE!!\n\nE' stata rilevata una versione della Piattaforma in "
                  "esecuzione. Chiudere il programma e cliccare su OK per proseguire con "
                  "l'installazione.");
  }
  if (IsQelRunning(page, g_app->skip_qel_running_check(), true))
    WriteLog("[* WARN] Qel already running, terminated");

  WindowsInstallServices services;
  const std::string shared = setting.office_root + "ZAV_Shared";
  if (!DirectoryExists(shared)) CreateDirectoryTree(shared);
  WriteLog("[  INFO] Setting privileges and attributes on -> " + shared);
  services.SecureFolder(shared, true);

  if (RegisterWorkstation(shared + "\\SharedInfo", setting, prompter, g_workpoints_copied) ==
      Registration::kNotRegistered)
    return false;

  const std::string year_path = YearFolderPath(setting.year_path);
  if (setting.install_kind == 1 && setting.selected_year != setting.current_year) {
    const std::string file = year_path + "\\HOME\\ETC\\INSTALLA.MOD";
    if (WriteConfigurationFile(
            file, InstallaModBytes(setting.office_code, setting.office_password, year_path)))
      WriteLog("[  INFO] Written -> " + file);
  }
  if (setting.install_kind == 2 && MayConvertUnitFolder(year_path, prompter, services))
    MoveUnitConfiguration(year_path);
  ShowItems(page, {IDC_END_TEXT_INSTALL, IDC_END_NEWS, IDC_END_NEWS_HOW, IDC_END_TITLE_INSTALL});
  return true;
}

void RunEndWork(HWND page) {
  if (g_end_done) return;
  CSetting& setting = *g_app->setting;
  MessageBoxPrompter prompter(page);
  if (g_app->restore_mode) {
    ShowItems(page, {IDC_END_TEXT_RESTORE, IDC_END_TITLE_RESTORE});
  } else if (!CompleteInstallation(page, setting, prompter)) {
    EndProgram(kExitNotRegistered);
    return;
  }
  std::string replaced;
  const std::string year_path = YearFolderPath(setting.year_path);
  if (ReplacePercent(setting.runtime_bin_folder, year_path, replaced))
    setting.runtime_bin_folder = replaced;
  if (ReplacePercent(setting.runtime_launcher, year_path, replaced))
    setting.runtime_launcher = replaced;
  if (!setting.runtime_launcher.empty()) {
    CreateDesktopShortcut(setting.service_name, GetDefaultClientBinFolder(), g_app->restore_mode);
    WriteCompatibilityValues(setting.runtime_bin_folder + "\\wrun32.exe");
  }
  if (!g_app->restore_mode) {
    WindowsInstallServices services;
    OfferShare(setting.office_root, setting.office_code, prompter, services);
  }
  WriteLog("[  INFO] Deleted lock file");
  RemoveInstallLock(setting.office_root);
  g_end_done = true;
}

void OnCreate(HWND page) {
  HFONT title = PageFont(24, false);
  for (int id : {IDC_END_TITLE_INSTALL, IDC_END_TITLE_RESTORE})
    SendDlgItemMessageA(page, id, WM_SETFONT, reinterpret_cast<WPARAM>(title), FALSE);
  SendDlgItemMessageA(page, IDC_END_PICTURE, STM_SETIMAGE, IMAGE_BITMAP,
                      reinterpret_cast<LPARAM>(PageBitmap(IDB_END_PICTURE, false)));
}

}  // namespace

INT_PTR CALLBACK EndPageProc(HWND page, UINT message, WPARAM, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      OnCreate(page);
      return TRUE;
    case WM_SETCURSOR:
      SetCursor(LoadCursor(nullptr, IDC_ARROW));
      return SetPageResult(page, TRUE);
    case kEndWork:
      RunEndWork(page);
      return TRUE;
    case WM_NOTIFY:
      switch (reinterpret_cast<NMHDR*>(lparam)->code) {
        case PSN_SETACTIVE:
          LogPageActive(page, kPageEnd);
          PropSheet_SetWizButtons(GetParent(page), PSWIZB_FINISH);
          EnableWindow(GetDlgItem(GetParent(page), IDCANCEL), FALSE);  // only Finish is offered
          PostMessageA(page, kEndWork, 0, 0);
          return SetPageResult(page, 0);
        case PSN_WIZFINISH:
          if (g_workpoints_copied) {
            MessageBoxPrompter prompter(page);
            prompter.ShowCaptioned(MessageKind::kInformation,
                                   WorkpointsCopiedText(g_app->setting->current_year),
                                   "Importante");
          }
          return SetPageResult(page, FALSE);
      }
      break;
  }
  return FALSE;
}
