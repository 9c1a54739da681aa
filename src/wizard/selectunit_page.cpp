// WIZ_SELECTUNIT: the drive of a new office's folder.
#include <windows.h>
#include <prsht.h>

#include <string>

#include "app/app.h"
#include "resource.h"
#include "wizard/destination_rules.h"
#include "wizard/guide.h"
#include "wizard/hyperlink.h"
#include "wizard/message_box_prompter.h"
#include "wizard/page_table.h"
#include "wizard/pages.h"
#include "wizard/sheet.h"
#include "wizard/windows_install_services.h"

namespace {

void OnCreate(HWND page) {
  MakeHyperlink(page, IDC_GUIDE_LINK);
  const CSetting& setting = *g_app->setting;
  WindowsInstallServices services;
  HWND list = GetDlgItem(page, IDC_DRIVE_LIST);
  for (const std::string& disk : setting.disks) {
    const std::string line = DriveListLine(disk, services.IsNetworkDrive(disk.substr(0, 3)));
    const LRESULT index =
        SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    if (index >= 0 && IsDefaultDriveLine(line, setting.default_drive))
      SendMessageA(list, CB_SETCURSEL, index, 0);
  }
}

int OnNext(HWND page) {
  HWND list = GetDlgItem(page, IDC_DRIVE_LIST);
  const LRESULT index = SendMessageA(list, CB_GETCURSEL, 0, 0);
  char line[16] = {};
  if (index >= 0 && SendMessageA(list, CB_GETLBTEXTLEN, index, 0) < LRESULT(sizeof(line)))
    SendMessageA(list, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(line));
  MessageBoxPrompter prompter(GetParent(page));
  WindowsInstallServices services;
  return SelectUnitNext(line, *g_app->setting, prompter, services) ? kNeighbour : kStay;
}

}  // namespace

INT_PTR CALLBACK SelectUnitPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      OnCreate(page);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wparam) == IDC_GUIDE_LINK && HIWORD(wparam) == STN_CLICKED) OpenGuide();
      return TRUE;
    case WM_NOTIFY:
      switch (reinterpret_cast<NMHDR*>(lparam)->code) {
        case PSN_SETACTIVE:
          SetDlgItemTextA(page, IDC_DESTINATION, ProposedFolder(*g_app->setting).c_str());
          return SetPageResult(page, 0);
        case PSN_WIZBACK:
          return SetPageResult(page, g_app->setting->new_office ? IDD_WIZ_PMNEW : IDD_WIZ_PMSELECT);
        case PSN_WIZNEXT:
          return SetPageResult(page, OnNext(page));
      }
      break;
  }
  return FALSE;
}
