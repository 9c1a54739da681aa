// Stands for a newer setup in the self-update tests: it writes the command line it was
// given beside itself and ends.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string out = path;
  out = out.substr(0, out.find_last_of('\\') + 1) + "child_cmdline.txt";
  const char* line = GetCommandLineA();
  const std::string tmp = out + ".tmp";
  HANDLE file = CreateFileA(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  WriteFile(file, line, lstrlenA(line), &written, nullptr);
  CloseHandle(file);
  MoveFileA(tmp.c_str(), out.c_str());  // whole or not at all for the waiting test
  return 0;
}
