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
  kCloseAndRetry,    // warning icon, OK: the user ends something, the check runs again
};

// The questions a run may be asked, so that an answer can be given without reading the text.
enum class Question {
  kInvalidConfig,     // records of this year that are not valid: go on anyway
  kConfirmUnit,       // "Confermi l'installazione dell'unità periferica?"
  kCreateWorkpoint,   // an office found: create this PC's workstation and icon
  kCreateIcon,        // this PC already registered: create the icon only
  kInstallLock,       // another installation's lock on the office folder
  kConvertNetworkUnit,  // a unit's year folder on a network drive
  kShareOffer,        // share the office folder on the network
  kCancel,            // cancel the installation
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
  // A Yes/No question; true for Yes. Shown as any other question unless a prompter answers
  // it by itself.
  virtual bool Ask(Question question, const std::string& text,
                   const std::string& caption = "Attenzione") {
    (void)question;
    return ShowCaptioned(MessageKind::kQuestion, text, caption);
  }
};
