// The wizard's eight pages as data, in the order the sheet is built (the index is the
// position before any removal and also the number kept in CApp::current_page).
#pragma once
#include <windows.h>
#include <prsht.h>

#include "resource.h"

enum WizardPage {
  kPageStart = 0,
  kPageNotSupported = 1,
  kPagePmSelect = 2,
  kPagePmNew = 3,
  kPageSelectUnit = 4,
  kPageBeforeInstall = 5,
  kPageInstall = 6,
  kPageEnd = 7,
  kPageCount = 8,
};

struct PageDescription {
  const char* log_name;  // as written in "Sheet active -> " lines
  int dialog;            // template; also the value that jumps to the page
  int header_title;      // string ids; 0 for the exterior pages, which hide the header
  int header_subtitle;
  DWORD buttons;  // set on activation; a page may change them afterwards
};

constexpr PageDescription kPageTable[kPageCount] = {
    {"WIZ_START", IDD_WIZ_START, 0, 0, PSWIZB_NEXT},
    {"WIZ_NOTSUPPORTED", IDD_WIZ_NOTSUPPORTED, IDS_NOTSUPPORTED_TITLE, IDS_NOTSUPPORTED_SUBTITLE,
     PSWIZB_BACK | PSWIZB_NEXT},
    {"WIZ_PMSELECT", IDD_WIZ_PMSELECT, IDS_PMSELECT_TITLE, IDS_PMSELECT_SUBTITLE,
     PSWIZB_BACK | PSWIZB_NEXT},
    {"WIZ_PMNEW", IDD_WIZ_PMNEW, IDS_PMNEW_TITLE, IDS_PMNEW_SUBTITLE, PSWIZB_BACK | PSWIZB_NEXT},
    {"WIZ_SELECTUNIT", IDD_WIZ_SELECTUNIT, IDS_SELECTUNIT_TITLE, IDS_SELECTUNIT_SUBTITLE,
     PSWIZB_BACK | PSWIZB_NEXT},
    {"WIZ_BEFOREINSTALL", IDD_WIZ_BEFOREINSTALL, IDS_INSTALL_TITLE, IDS_BEFOREINSTALL_SUBTITLE,
     PSWIZB_BACK | PSWIZB_NEXT},
    {"WIZ_INSTALL", IDD_WIZ_INSTALL, IDS_INSTALL_TITLE, IDS_INSTALL_SUBTITLE,
     PSWIZB_DISABLEDFINISH},
    {"WIZ_END", IDD_WIZ_END, 0, 0, PSWIZB_FINISH},
};

// Page results of Next and Back: stay, go to the neighbouring page, or a template number.
constexpr int kStay = -1;
constexpr int kNeighbour = 0;
