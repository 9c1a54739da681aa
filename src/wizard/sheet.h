// The wizard's property sheet: its pages, the window procedure it gets from the start page,
// and what the pages share (activation, results, fonts, the office list).
#pragma once
#include <windows.h>
#include <prsht.h>

#include <string>

class CSetting;
struct PageContext;

// Creates the eight pages of the page table into `pages`, each given `context` (which must
// outlive the sheet). False when one could not be made.
bool CreateWizardPages(HINSTANCE instance, HPROPSHEETPAGE pages[8], PageContext* context);
// The context a page was created with.
PageContext& PageContextOf(HWND page);
// Shows the sheet modally; false when it could not be shown. Fonts and pictures the pages
// made are released afterwards.
bool ShowWizard(HINSTANCE instance, HPROPSHEETPAGE pages[8]);

// Subclasses the sheet's frame window with WizardSheetProc (once).
void SubclassSheet(HWND sheet);
LRESULT CALLBACK WizardSheetProc(HWND sheet, UINT message, WPARAM wparam, LPARAM lparam);

// A place found by the network discovery (`folder`, with the year), or null for a refresh:
// its installs join the list, which is sorted. False when nothing changed. FillOfficeList
// then clears the duplicates.
bool ApplyInstallsChanged(CSetting& setting, const char* folder, int year);
// Empties the list box (may be null), removes duplicate installs and lists them all.
void FillOfficeList(HWND list, CSetting& setting);
// The office-list page registers its window here, so a refresh reaches its list whichever
// page is shown (its lines must always match the installs they stand for).
void SetOfficeListPage(HWND page);

// The common page conventions (the shared page procedure applies them on activation).
void LogPageActive(HWND page, int page_number);
INT_PTR SetPageResult(HWND page, LONG_PTR result);  // for PSN_WIZNEXT and PSN_WIZBACK
// A "Tahoma" font of that pixel height, owned by the wizard until the sheet closes.
HFONT PageFont(int height, bool bold);
// A bitmap of the program's resources, owned likewise; with `map_3d_colors` its grays
// become the dialog's colours.
HBITMAP PageBitmap(int id, bool map_3d_colors);
