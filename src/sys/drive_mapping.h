// Mapping a network folder to a drive letter.
#pragma once
#include <string>

// Finds the letter that already reaches `network_folder` ("\\SERVER\share\..."; `drive` =
// "X:") or maps it to the highest free letter, remembered for later logons (`drive` =
// "X:\"). False, with a warning in the setup log, when neither works.
bool MapNetworkDrive(const std::string& network_folder, std::string& drive);
