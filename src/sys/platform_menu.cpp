#include "sys/platform_menu.h"

const wchar_t kPlatformMenuSignature[] = L" ..\\etc\\cblconfi ..\\obj\\pcmenu.acu rete ";

bool CommandLineRunsPlatformMenu(const std::wstring& command_line) {
  const std::wstring signature(kPlatformMenuSignature);
  const size_t length = command_line.size();
  if (length < signature.size()) return false;
  for (size_t i = 0; i + signature.size() <= length; ++i) {
    if (command_line[i] == L' ' && command_line.compare(i, signature.size(), signature) == 0)
      return true;
  }
  return false;
}
