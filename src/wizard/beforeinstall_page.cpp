// WIZ_BEFOREINSTALL: the final folder; Next prepares every folder the installation writes.
#include <windows.h>
#include <prsht.h>

#include "app/app.h"
#include "resource.h"
#include "wizard/destination_rules.h"
#include "wizard/message_box_prompter.h"
#include "wizard/page_table.h"
#include "wizard/pages.h"
#include "wizard/sheet.h"
#include "wizard/windows_install_services.h"

INT_PTR CALLBACK BeforeInstallPageProc(HWND page, UINT message, WPARAM, LPARAM lparam) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message != WM_NOTIFY) return FALSE;
  switch (reinterpret_cast<NMHDR*>(lparam)->code) {
    case PSN_SETACTIVE:
      SetDlgItemTextA(page, IDC_DESTINATION, g_app->setting->office_root.c_str());
      return SetPageResult(page, 0);
    case PSN_WIZBACK:
      return SetPageResult(page, g_app->setting->new_office ? IDD_WIZ_PMNEW : IDD_WIZ_PMSELECT);
    case PSN_WIZNEXT: {
      MessageBoxPrompter prompter(page);
      WindowsInstallServices services;
      const bool ready =
          BeforeInstallNext(*g_app->setting, ThisMachineFolders(), prompter, services);
      return SetPageResult(page, ready ? kNeighbour : kStay);
    }
  }
  return FALSE;
}
