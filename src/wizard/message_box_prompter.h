// The product's Prompter: message boxes owned by a page, caption "Attenzione".
#pragma once
#include <windows.h>

#include <functional>

#include "wizard/prompter.h"

class MessageBoxPrompter : public Prompter {
 public:
  explicit MessageBoxPrompter(HWND owner) : owner_(owner) {}
  // The owner asked for at each message: the page shown changes while the wizard runs.
  explicit MessageBoxPrompter(std::function<HWND()> owner) : owner_of_(std::move(owner)) {}
  bool Show(MessageKind kind, const std::string& text) override;
  bool ShowCaptioned(MessageKind kind, const std::string& text,
                     const std::string& caption) override;

 private:
  HWND owner_ = nullptr;
  std::function<HWND()> owner_of_;
};
