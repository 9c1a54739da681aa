// What the end page writes outside SharedInfo: the platform's configuration files, the
// desktop shortcut and the runtime's compatibility values.
#pragma once
#include <string>

// Replaces `path` with exactly these bytes; false (nothing logged) when it cannot be opened.
bool WriteConfigurationFile(const std::string& path, const std::string& bytes);

// The peripheral unit's configuration: egoeimi.uff deleted, HOME\ETC\installa.mod moved to
// installa.up. The source is deleted only once the copy is written (it is the only copy of
// the unit's configuration); each outcome is logged.
void MoveUnitConfiguration(const std::string& year_path);

// The link "<desktop>\<name>.lnk" to the client program, written when `replace` is set or it
// does not exist yet. Reports success, as the installation does not depend on it.
bool CreateDesktopShortcut(const std::string& name, const std::string& client_bin_folder,
                           bool replace);

// The runtime program's compatibility values under HKEY_CURRENT_USER; false at the first key
// that cannot be created or written.
bool WriteCompatibilityValues(const std::string& runtime_program);
