#include "wizard/sheet.h"

#include <commctrl.h>

#include <memory>
#include <vector>

#include "app/app.h"
#include "log/setup_log.h"
#include "resource.h"
#include "survey/install_order.h"
#include "sys/identity.h"
#include "sys/share_discovery.h"
#include "wizard/guide.h"
#include "wizard/office_rules.h"
#include "wizard/page_table.h"
#include "wizard/pages.h"

namespace {

constexpr UINT_PTR kDiscoveryTimer = 0;

WNDPROC g_sheet_proc = nullptr;
HWND g_office_list_page = nullptr;
std::vector<HGDIOBJ> g_gdi_objects;  // fonts and bitmaps of the pages

// What each page's procedure does beyond the conventions of SharedPageProc.
const DLGPROC kPageProcs[kPageCount] = {
    StartPageProc,      NotSupportedPageProc,  PmSelectPageProc, PmNewPageProc,
    SelectUnitPageProc, BeforeInstallPageProc, InstallPageProc,  EndPageProc};

// The creation parameter of each page: its number and the pages' context.
struct PageSlot {
  PageContext* context;
  int number;
};
PageSlot g_slots[kPageCount];

const PageSlot* SlotOf(HWND page) {
  return reinterpret_cast<const PageSlot*>(GetWindowLongPtrA(page, DWLP_USER));
}

// Every page's procedure: the conventions all pages share (the context kept, the activation
// logged, the buttons set, Help forwarded except on the end page), then the page's own.
INT_PTR CALLBACK SharedPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG)
    SetWindowLongPtrA(page, DWLP_USER, reinterpret_cast<const PROPSHEETPAGEA*>(lparam)->lParam);
  const PageSlot* slot = SlotOf(page);
  if (!slot) return FALSE;  // before its creation message
  const int number = slot->number;
  if (message == WM_NOTIFY) {
    const UINT code = reinterpret_cast<const NMHDR*>(lparam)->code;
    if (code == PSN_SETACTIVE) {
      LogPageActive(page, number);
      PropSheet_SetWizButtons(GetParent(page), kPageTable[number].buttons);
    } else if (code == PSN_HELP) {
      if (number != kPageEnd) OpenGuide();  // F1 still reaches the sheet there
      return TRUE;
    }
  }
  return kPageProcs[number](page, message, wparam, lparam);
}

void OnDiscoveryTimer(HWND sheet) {
  if (g_app->current_page != kPagePmSelect) return;
  HWND icon = GetDlgItem(g_app->page_hwnd, IDC_DISCOVERY_ICON);
  HWND text = GetDlgItem(g_app->page_hwnd, IDC_DISCOVERY_TEXT);
  if (g_app->discovery_running) {
    ShowWindow(icon, IsWindowVisible(icon) ? SW_HIDE : SW_SHOW);
    return;
  }
  KillTimer(sheet, kDiscoveryTimer);
  ShowWindow(icon, SW_HIDE);
  ShowWindow(text, SW_HIDE);
  WriteLog("[  INFO] Full list detected after net discovery");
  const std::string me = GetCurrentAssignee();
  for (const auto& install : g_app->setting->installs) WriteLog(InstallLogLine(*install, me));
}

void OnInstallsChanged(WPARAM wparam, LPARAM lparam) {
  CSetting& setting = *g_app->setting;
  if (!ApplyInstallsChanged(setting, reinterpret_cast<const char*>(wparam),
                            static_cast<int>(lparam)))
    return;
  FillOfficeList(g_office_list_page ? GetDlgItem(g_office_list_page, IDC_OFFICE_LIST) : nullptr,
                 setting);
}

}  // namespace

bool ApplyInstallsChanged(CSetting& setting, const char* folder, int year) {
  if (folder) {
    const size_t before = setting.installs.size();
    setting.FindSharedInfo(folder, year);
    if (setting.installs.size() == before) return false;
  }
  SortInstalls(setting.installs, GetCurrentAssignee());
  return true;
}

bool CreateWizardPages(HINSTANCE instance, HPROPSHEETPAGE pages[8], PageContext* context) {
  for (int i = 0; i < kPageCount; ++i) {
    const PageDescription& page = kPageTable[i];
    PROPSHEETPAGEA psp = {};
    psp.dwSize = sizeof(psp);
    psp.hInstance = instance;
    psp.dwFlags = PSP_USETITLE | PSP_HASHELP;
    if (page.header_title) {
      psp.dwFlags |= PSP_USEHEADERTITLE | PSP_USEHEADERSUBTITLE;
      psp.pszHeaderTitle = MAKEINTRESOURCEA(page.header_title);
      psp.pszHeaderSubTitle = MAKEINTRESOURCEA(page.header_subtitle);
    } else {
      psp.dwFlags |= PSP_HIDEHEADER;
    }
    psp.pszTitle = "";
    psp.pszTemplate = MAKEINTRESOURCEA(page.dialog);
    g_slots[i] = {context, i};
    psp.pfnDlgProc = SharedPageProc;
    psp.lParam = reinterpret_cast<LPARAM>(&g_slots[i]);
    pages[i] = CreatePropertySheetPageA(&psp);
    if (!pages[i]) {
      WriteLog("[**  ERR] Wizard page not created -> " + std::to_string(page.dialog) + " -> " +
               std::to_string(GetLastError()));
      return false;
    }
  }
  return true;
}

bool ShowWizard(HINSTANCE instance, HPROPSHEETPAGE pages[8]) {
  PROPSHEETHEADERA header = {};
  header.dwSize = sizeof(header);
  header.dwFlags = PSH_WIZARD97 | PSH_WIZARD | PSH_WATERMARK | PSH_HEADER;
  header.hwndParent = nullptr;
  header.hInstance = instance;
  header.nPages = kPageCount;
  header.phpage = pages;
  header.nStartPage = 0;
  header.pszbmWatermark = MAKEINTRESOURCEA(IDB_WATERMARK);
  header.pszbmHeader = MAKEINTRESOURCEA(IDB_HEADER);
  const INT_PTR result = PropertySheetA(&header);
  if (result < 0) WriteLog("[**  ERR] Wizard not shown -> " + std::to_string(GetLastError()));
  for (HGDIOBJ object : g_gdi_objects) DeleteObject(object);
  g_gdi_objects.clear();
  g_office_list_page = nullptr;
  return result >= 0;
}

void SubclassSheet(HWND sheet) {
  if (g_sheet_proc) return;
  g_sheet_proc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(sheet, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WizardSheetProc)));
}

LRESULT CALLBACK WizardSheetProc(HWND sheet, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_HELP:
      OpenGuide();
      break;
    case WM_TIMER:
      if (wparam == kDiscoveryTimer) OnDiscoveryTimer(sheet);
      break;
    case WM_INSTALLS_CHANGED:
      OnInstallsChanged(wparam, lparam);
      return 0;
    case WM_NCDESTROY: {
      const WNDPROC previous = g_sheet_proc;
      SetWindowLongPtrA(sheet, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
      g_sheet_proc = nullptr;
      return CallWindowProcA(previous, sheet, message, wparam, lparam);
    }
  }
  return CallWindowProcA(g_sheet_proc, sheet, message, wparam, lparam);
}

void FillOfficeList(HWND list, CSetting& setting) {
  if (list) SendMessageA(list, LB_RESETCONTENT, 0, 0);
  RemoveDuplicateInstalls(setting.installs);
  if (!list) return;
  for (const auto& install : setting.installs)
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(OfficeListLine(*install).c_str()));
  SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  SetFocus(list);
}

void SetOfficeListPage(HWND page) { g_office_list_page = page; }

PageContext& PageContextOf(HWND page) { return *SlotOf(page)->context; }

void LogPageActive(HWND page, int page_number) {
  WriteLog(std::string("[  INFO] Sheet active -> ") + kPageTable[page_number].log_name);
  g_app->current_page = page_number;
  g_app->page_hwnd = page;
  // The sheet repaints what the previous page covered (Wine leaves the exterior pages'
  // watermark around the smaller interior pages otherwise).
  InvalidateRect(GetParent(page), nullptr, TRUE);
}

INT_PTR SetPageResult(HWND page, LONG_PTR result) {
  SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
  return TRUE;
}

HFONT PageFont(int height, bool bold) {
  HFONT font = CreateFontA(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                           DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Tahoma");
  if (font) g_gdi_objects.push_back(font);
  return font;
}

HBITMAP PageBitmap(int id, bool map_3d_colors) {
  HANDLE bitmap = LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0,
                             map_3d_colors ? LR_LOADMAP3DCOLORS : 0);
  if (bitmap) g_gdi_objects.push_back(bitmap);
  return static_cast<HBITMAP>(bitmap);
}
