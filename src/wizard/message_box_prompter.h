// The product's Prompter: message boxes owned by a page, caption "Attenzione".
#pragma once
#include <windows.h>

#include "wizard/prompter.h"

class MessageBoxPrompter : public Prompter {
 public:
  explicit MessageBoxPrompter(HWND owner) : owner_(owner) {}
  bool Show(MessageKind kind, const std::string& text) override;
  bool ShowCaptioned(MessageKind kind, const std::string& text,
                     const std::string& caption) override;

 private:
  HWND owner_;
};
