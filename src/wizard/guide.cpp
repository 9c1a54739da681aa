#include "wizard/guide.h"

#include <windows.h>
#include <shellapi.h>

#include "log/setup_log.h"

std::string GuideUrl() {
  return std::string("https://") + ZAV_WEB_HOST + "/piattaforma-guida-installazione";
}

void OpenGuide() {
  WriteLog("[  INFO] Opening guide to browser");
  const std::string url = GuideUrl();
  const INT_PTR result = reinterpret_cast<INT_PTR>(
      ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (result <= 32) WriteLog("[* WARN] Unable to open the guide -> " + std::to_string(result));
}

const char* LoadPageText(unsigned id) {
  static char text[1000];
  text[0] = '\0';
  LoadStringA(GetModuleHandleA(nullptr), id, text, sizeof(text));
  return text;
}
