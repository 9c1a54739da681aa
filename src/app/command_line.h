// Reading the switches of the interactive command line. Pure: no Windows calls.
#pragma once
#include <cstdint>
#include <string>

extern const char kHelpText[];
extern const char kBadCommandText[];  // "Attenzione comando errato.\n\n" + help

enum class SwitchAction { kContinue, kShowHelp, kBadCommand };

struct SwitchResult {
  SwitchAction action = SwitchAction::kContinue;
  bool peripheral_unit = false;  // "UP"
  bool skip_update = false;
  bool skip_permission = false;
  bool no_discovery = false;
  bool skip_qel_running_check = false;
  int32_t run_mode = 2;
};

// The text after the program name of a full command line (GetCommandLineA), keeping every
// character after the one blank that separates it, so a line of only blanks stays non-empty.
std::string ArgumentsAfterProgramName(const std::string& full_command_line);

// Applies the switches of a non-empty command line on top of `run_mode`. Switch words are
// matched whole after upper-casing and trimming each "/"-separated piece.
SwitchResult ParseSwitches(const std::string& raw, int32_t run_mode);
