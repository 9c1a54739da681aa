// `make run` without a display: drives the real setup through a whole new-office
// installation on the default drive, as a person pressing Next would, answering the share
// question No; saves a screenshot of each page and prints what was installed.
//   zav_run_driver.exe <desktop folder> [setup arguments]
// The desktop folder receives the shortcut (the prefix's own desktop is the Linux user's).
#include <windows.h>
#include <prsht.h>

#include <cstdio>
#include <string>

#include "log/setup_log.h"
#include "resource.h"
#include "support/ui_driver.h"
#include "wizard_driver.h"

namespace {

int Fail(const std::string& what) {
  std::printf("run driver: %s\n", what.c_str());
  return 1;
}

// Answers the next box and says what it was.
bool Answer(WizardDriver& wizard, int button) {
  const Box box = wizard.WaitForBox();
  if (!box.hwnd) return false;
  std::printf("  [%s] %s\n", box.caption.c_str(), box.text.substr(0, box.text.find('\n')).c_str());
  return wizard.Answer(box, button);
}

std::string ToLowerCopyOf(const std::string& text) {
  std::string lower = text;
  for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return lower;
}

HWND Next(WizardDriver& wizard, const std::string& page) {
  wizard.Press(PSBTN_NEXT);
  HWND shown = wizard.WaitForPage(page);
  if (shown) wizard.Screenshot(ToLowerCopyOf(page));
  return shown;
}

}  // namespace

int Drive(int argc, char** argv);

int main(int argc, char** argv) {
  if (argc < 2) return Fail("usage: zav_run_driver.exe <desktop folder> [setup arguments]");
  ScopedDesktop desktop(argv[1]);
  const int result = Drive(argc, argv);
  return result;
}

int Drive(int argc, char** argv) {
  std::string arguments;
  for (int i = 2; i < argc; ++i) arguments += std::string(i > 2 ? " " : "") + argv[i];

  WizardDriver wizard;
  if (!wizard.Start(arguments)) return Fail("the setup showed no wizard");
  HWND start = wizard.WaitForPage("WIZ_START");
  if (!start || !wizard.Check(start, IDC_OPTION_INSTALL)) return Fail("no start page");
  wizard.Screenshot("wiz_start");
  wizard.Press(PSBTN_NEXT);
  // An earlier installation found on the machine shows the list first.
  if (!WaitUntil([&] {
        return wizard.log().Has("[  INFO] Sheet active -> WIZ_PMNEW") ||
               wizard.log().Has("[  INFO] Sheet active -> WIZ_PMSELECT");
      }))
    return Fail("no office page");
  if (wizard.log().Has("[  INFO] Sheet active -> WIZ_PMSELECT")) {
    HWND list = wizard.WaitForPage("WIZ_PMSELECT");
    if (!list || !PressButtonById(list, IDC_NEW_OFFICE)) return Fail("no office list");
  }
  HWND pmnew = wizard.WaitForPage("WIZ_PMNEW");
  if (!pmnew || !wizard.Type(pmnew, IDC_OFFICE_CODE, "123", "123") ||
      !wizard.Type(pmnew, IDC_OFFICE_PASSWORD, "segreto", "SEGRETO"))
    return Fail("no new-office page");
  wizard.Screenshot("wiz_pmnew");
  std::printf("new office 00123, password SEGRETO\n");
  HWND unit = Next(wizard, "WIZ_SELECTUNIT");
  if (!unit) return Fail("no destination page");
  std::printf("folder proposed: %s\n", ControlText(unit, IDC_DESTINATION).c_str());
  if (!Next(wizard, "WIZ_BEFOREINSTALL")) return Fail("the destination was refused");
  if (!Next(wizard, "WIZ_INSTALL")) return Fail("the pre-install checks refused");
  std::printf("installing...\n");
  if (!WaitUntil([&] { return wizard.log().Has("[  INFO] Sheet active -> WIZ_END"); }, 600000))
    return Fail("the installation did not end");
  if (!Answer(wizard, IDNO)) return Fail("no share question");
  if (!WaitUntil([&] { return wizard.log().Has("[  INFO] Deleted lock file"); }))
    return Fail("the end page did not finish");
  wizard.Screenshot("wiz_end");
  wizard.Press(PSBTN_FINISH);
  Answer(wizard, IDOK);  // the workstation was copied into the earlier years
  const DWORD code = wizard.WaitForExit();
  std::printf("setup exited with %lu\n", code);
  return code == 0 ? 0 : 1;
}
