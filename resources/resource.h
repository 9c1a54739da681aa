// Resource identifiers shared by the .rc files and the code.
#pragma once
#define IDI_APP 100

// The update-check dialog and its progress bar.
#define IDD_UPDATE_CHECK 154
#define IDC_UPDATE_PROGRESS 1039
