#include "app/command_line.h"

#include <vector>

#include "sys/string_utils.h"

// One help text for both boxes; the refusal only puts its warning in front. The switches of
// the unattended installation follow the original two lines.
#define ZAV_HELP_TEXT                                                                          \
  "Sintassi del comando:\n\n/UP \t= Installazione silenziosa unità periferica\n/?\t= Questo " \
  "help\n\nInstallazione automatica, senza finestre (esito nel codice di uscita):\n"            \
  "/QUIET /NEWOFFICE | /ADDPC | /UP | /RESTORE\n"                                              \
  "/OFFICE=<codice ufficio>\t/PASSWORD=<password> o /PASSWORDFILE=<file>\n"                   \
  "/DIR=<unità o cartella>\t/SHARING=YES|NO\t/NETWORKUNIT=YES|NO\n"                          \
  "/ACCEPTINVALID\t/IGNORELOCK\t/RETRIES=<n>\t/RETRYWAIT=<secondi>\n"                        \
  "/PROXYUSER=<utente>\t/PROXYPASSWORD=<password>"
const char kHelpText[] = ZAV_HELP_TEXT;
const char kBadCommandText[] = "Attenzione comando errato.\n\n" ZAV_HELP_TEXT;
#undef ZAV_HELP_TEXT

std::string ArgumentsAfterProgramName(const std::string& full) {
  size_t position = 0;
  if (!full.empty() && full[0] == '"') {
    const size_t closing = full.find('"', 1);
    position = closing == std::string::npos ? full.size() : closing + 1;
  } else {
    position = full.find_first_of(" \t");
    if (position == std::string::npos) position = full.size();
  }
  if (position < full.size() && (full[position] == ' ' || full[position] == '\t')) ++position;
  return full.substr(position);
}

SwitchResult ParseSwitches(const std::string& raw, int32_t run_mode) {
  SwitchResult result;
  result.run_mode = run_mode;
  std::vector<std::string> pieces;
  SplitString(ToUpperCopy(raw), "/", pieces);
  if (pieces.size() == 1) {
    result.action = SwitchAction::kBadCommand;
    return result;
  }
  for (size_t i = 1; i < pieces.size(); ++i) {
    const std::string word = TrimSpaces(pieces[i]);
    if (word == "UP") result.peripheral_unit = true;
    if (word == "SKIPUPDATE") result.skip_update = true;
    if (word == "SKIPPERMISSION") result.skip_permission = true;
    if (word == "NODISCOVERY") result.no_discovery = true;
    if (word == "?") {
      result.action = SwitchAction::kShowHelp;
      return result;
    }
    if (word == "DEV") result.run_mode = 0;
    if (word == "TEST1") result.run_mode = 1;
    if (word == "NOQELRUNNINGCHECK") result.skip_qel_running_check = true;
  }
  return result;
}
