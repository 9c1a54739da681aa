// The one way the wizard's rules talk to the user: a message with a kind, answered by the
// user. Message boxes in the product; scripted answers in tests.
#pragma once
#include <string>

enum class MessageKind {
  kWarning,          // warning icon, OK
  kWarningWithHelp,  // warning icon, OK and Help (Help reaches the sheet as WM_HELP)
  kError,            // error icon, OK
  kQuestion,         // question icon, Yes and No
  kInformation,      // information icon, OK
};

class Prompter {
 public:
  virtual ~Prompter() = default;
  // Shows the text with the caption "Attenzione"; true when a question was answered Yes.
  virtual bool Show(MessageKind kind, const std::string& text) = 0;
  // The same with another caption ("Errore", "Condivisione", "Importante").
  virtual bool ShowCaptioned(MessageKind kind, const std::string& text,
                             const std::string& caption) {
    (void)caption;
    return Show(kind, text);
  }
};
