#include "wizard/message_box_prompter.h"

bool MessageBoxPrompter::Show(MessageKind kind, const std::string& text) {
  return ShowCaptioned(kind, text, "Attenzione");
}

bool MessageBoxPrompter::ShowCaptioned(MessageKind kind, const std::string& text,
                                       const std::string& caption) {
  UINT type = MB_ICONWARNING;
  switch (kind) {
    case MessageKind::kWarning:
    case MessageKind::kCloseAndRetry:
      type = MB_ICONWARNING;
      break;
    case MessageKind::kWarningWithHelp:
      type = MB_ICONWARNING | MB_HELP;
      break;
    case MessageKind::kError:
      type = MB_ICONERROR;
      break;
    case MessageKind::kQuestion:
      type = MB_ICONQUESTION | MB_YESNO;
      break;
    case MessageKind::kInformation:
      type = MB_ICONINFORMATION;
      break;
  }
  return MessageBoxA(owner_of_ ? owner_of_() : owner_, text.c_str(), caption.c_str(), type) ==
         IDYES;
}
