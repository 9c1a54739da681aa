#include "app/app.h"

// Until the install engine exists the pages' calls do nothing.
void CApp::StartUpdateCheck() {}
void CApp::StartPhase1() {}
void CApp::StartRestore() {}
