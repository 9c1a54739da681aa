// The dialog procedures of the eight wizard pages. They read their controls, ask the rules
// and show the result.
#pragma once
#include <windows.h>

// Posted to the install page when the components are in place.
constexpr UINT kInstallFinished = WM_APP + 4;

INT_PTR CALLBACK StartPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK NotSupportedPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK PmSelectPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK PmNewPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK SelectUnitPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK BeforeInstallPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK InstallPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK EndPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);
