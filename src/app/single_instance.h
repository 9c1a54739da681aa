// The named mutex that keeps a second interactive setup from running.
#pragma once
#include <string>

// Creates the mutex owned; an empty name means "RivaduzZAV_Setup". False when it existed.
bool AcquireSingleInstance(const std::string& name);
void ReleaseSingleInstance();
