#include "wizard/message_box_prompter.h"

bool MessageBoxPrompter::Show(MessageKind kind, const std::string& text) {
  UINT type = MB_ICONWARNING;
  switch (kind) {
    case MessageKind::kWarning: type = MB_ICONWARNING; break;
    case MessageKind::kWarningWithHelp: type = MB_ICONWARNING | MB_HELP; break;
    case MessageKind::kError: type = MB_ICONERROR; break;
    case MessageKind::kQuestion: type = MB_ICONQUESTION | MB_YESNO; break;
  }
  return MessageBoxA(owner_, text.c_str(), "Attenzione", type) == IDYES;
}
