#include "app/entry_point.h"

#include <string>

#include "app/app.h"
#include "app/command_line.h"
#include "app/share_mode.h"
#include "app/single_instance.h"
#include "app/unattended_switches.h"
#include "log/setup_log.h"

int SetupMain(HINSTANCE instance, HINSTANCE previous, LPSTR, int show) {
  // The C runtime drops the blanks that follow the program name; a command line of only
  // blanks must still count as given, so the text is taken from the full command line.
  static const std::string raw = ArgumentsAfterProgramName(GetCommandLineA());
  LPSTR command_line = const_cast<LPSTR>(raw.c_str());
  if (raw.find("SHARE=") != std::string::npos) {
    const ShareRequest request = FindShareRequest(raw);
    if (request.found) return RunShareRequest(request);
  }

  if (!AcquireSingleInstance("")) return 1;
  // An unattended run shows no box, not even for an error it cannot go on from.
  UnattendedOptions requested;
  std::string ignored;
  ReadUnattendedSwitches(raw, requested, ignored);
  const bool quiet = requested.enabled;
  DeleteLog();
  WriteLog("[  INFO] Start application");
  try {
    g_app = new CApp();  // lives until the process ends
    g_app->unattended.enabled = quiet;
  } catch (const char* text) {
    // The version of Windows could not even be read: end cleanly with the reason.
    WriteLog(std::string("[**  ERR] Exception ") + text);
    if (!quiet) MessageBoxA(nullptr, text, "Errore", MB_ICONERROR);
    ReleaseSingleInstance();
    return -1;
  }
  int code = 0;
  try {
    code = g_app->Run(instance, previous, command_line, show);
  } catch (...) {
    WriteLog("[**  ERR] Exception occurred in app initialization");
    if (!quiet) MessageBoxA(nullptr, "Errore indefinito dell'applicazione.", "Errore", MB_ICONERROR);
    ExitProcess(static_cast<UINT>(-1));
  }
  ReleaseSingleInstance();
  return code;
}
