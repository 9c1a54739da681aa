// The one place where the install engine ends the program with an exit code. Tests replace
// the ending with one that records the code; the engine returns right after the call.
#pragma once
#include <functional>

using ProgramEndHandler = std::function<void(unsigned code)>;

// Ends the process with `code` (ExitProcess), or calls the installed handler.
void EndProgram(unsigned code);
// Installs a handler for the whole process; an empty one restores ExitProcess.
void SetProgramEndHandler(ProgramEndHandler handler);
