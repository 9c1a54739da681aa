// The name rules of package entries; pure, so they also run in the native lane.
#include "engine/entry_name.h"

#include <gtest/gtest.h>

TEST(IsWindowsDeviceName, EveryFamilyInAnyFormAndNothingElse) {
  for (const char* device :
       {"CON",      "prn",       "Aux",     "nul",     "COM1",    "com9",    "LPT1",
        "lpt9",     "CONIN$",    "conout$", "COM\xB9", "LPT\xB2", "com\xB3", "nul.txt",
        "NUL .txt", "aux.h.bak", "con..",   "PRN  ",   "Lpt3. .", "nul."}) {
    EXPECT_TRUE(IsWindowsDeviceName(device)) << device;
  }
  for (const char* name : {"", "CONFIG.SYS", "COM10", "COM0", "LPT0.txt", "aux_files", "CONSOLE",
                           "NULL", " NUL", "COM", "LPT", "CONIN", "COM\xB4", "xcon", "a.con"}) {
    EXPECT_FALSE(IsWindowsDeviceName(name)) << name;
  }
}
