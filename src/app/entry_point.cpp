#include "app/entry_point.h"

int SetupMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }
