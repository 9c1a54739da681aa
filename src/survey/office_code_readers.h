// Reading the office code of an earlier installation from its files.
#pragma once
#include <string>

#include "survey/install_record.h"

// The files inside an installation folder (...\ZAV2021) that name its office.
constexpr char kOlinfFile[] = "\\HOME\\BIN\\ZAVOLINF.TXT";
constexpr char kUffautFile[] = "\\FILES\\uffaut";
constexpr char kInstallaModFile[] = "\\HOME\\ETC\\INSTALLA.MOD";

// HOME\BIN\ZAVOLINF.TXT: true when the PROT value was not empty (pm and password set).
// Throws when the value decodes to fewer than five characters.
bool ReadOfficeFromOlinf(const std::string& path, InstallRecord& record);
// FILES\uffaut: 0 when pm was set or the file is too short, 1 when it cannot be read.
int ReadOfficeFromUffaut(const std::string& path, InstallRecord& record);
// HOME\ETC\INSTALLA.MOD: 1 when the file cannot be opened, else 0.
int ReadOfficeFromInstallaMod(const std::string& path, InstallRecord& record);
