// The Prompter of an unattended run: questions are answered from the switches or refused,
// messages go to the setup log, and nothing is shown. Pure apart from the log.
#pragma once
#include <functional>
#include <map>
#include <string>

#include "app/unattended_switches.h"
#include "sys/close_wait.h"
#include "wizard/prompter.h"

class UnattendedPrompter : public Prompter {
 public:
  // `pause(seconds)` waits between the checks of a program the user must close; after
  // `retries` of them `give_up()` ends the run (it does not return).
  UnattendedPrompter(const UnattendedOptions& options, std::function<void(int seconds)> pause,
                     std::function<void()> give_up);

  bool Show(MessageKind kind, const std::string& text) override;
  bool ShowCaptioned(MessageKind kind, const std::string& text,
                     const std::string& caption) override;
  bool Ask(Question question, const std::string& text, const std::string& caption) override;

  // The question is due later in the run and no switch answers it: refused now, before
  // anything is installed.
  void RefuseAhead(Question question);
  // The answer a switch gives to the question (Yes, No or none).
  Answer AnswerTo(Question question) const;

  bool unanswered() const { return unanswered_; }
  Question unanswered_question() const { return unanswered_question_; }
  // The program to close was still open (the check that asked for it then failed).
  bool waited_in_vain() const { return waited_in_vain_; }
  // Whether a program to close was asked for (and waited for) since the last call: the step
  // that asked is then tried again, as the user would press Next again.
  bool TakeCloseRequest() {
    const bool asked = close_requested_;
    close_requested_ = false;
    return asked;
  }

 private:
  void Refuse(Question question, const std::string& text);

  std::map<Question, Answer> answers_;
  std::function<void()> give_up_;
  CloseWait close_wait_;
  bool unanswered_ = false;
  Question unanswered_question_ = Question::kCancel;
  bool waited_in_vain_ = false;
  bool close_requested_ = false;
};
