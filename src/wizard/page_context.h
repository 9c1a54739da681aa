// What the wizard's pages work with, handed to each page through its creation parameter
// (the lParam of its PROPSHEETPAGE) instead of the application object, so that what the
// pages decide runs with fakes in tests.
#pragma once
#include "survey/setting.h"
#include "wizard/end_work.h"
#include "wizard/install_cancel.h"
#include "wizard/prompter.h"

struct PageContext {
  CSetting* setting = nullptr;
  Prompter* prompter = nullptr;  // message boxes owned by the page shown
  EndServices* end_services = nullptr;
  InstallControl* install = nullptr;
  // Kept for the whole run.
  InstallCancel install_cancel;
  EndWorkState end_state;
};
