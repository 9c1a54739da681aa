#include "wizard/unattended_prompter.h"

#include "log/setup_log.h"
#include "sys/string_utils.h"

namespace {

// The switch that answers each question, as the log names it.
const char* SwitchOf(Question question) {
  switch (question) {
    case Question::kInvalidConfig:
      return "/ACCEPTINVALID";
    case Question::kConfirmUnit:
      return "/UP";
    case Question::kCreateWorkpoint:
    case Question::kCreateIcon:
      return "/ADDPC or /UP";
    case Question::kInstallLock:
      return "/IGNORELOCK";
    case Question::kConvertNetworkUnit:
      return "/NETWORKUNIT=YES|NO";
    case Question::kShareOffer:
      return "/SHARING=YES|NO";
    case Question::kCancel:
      break;
  }
  return "none";
}

Answer YesIf(bool condition) { return condition ? Answer::kYes : Answer::kUnset; }

}  // namespace

UnattendedPrompter::UnattendedPrompter(const UnattendedOptions& options,
                                       std::function<void(int)> pause,
                                       std::function<void()> give_up)
    : give_up_(std::move(give_up)),
      close_wait_(options.retries, options.retry_wait_seconds, std::move(pause)) {
  // Choosing a flow that adds this PC to an office is the answer to the wizard's
  // confirmations of that very step.
  const bool joins = options.flow == UnattendedFlow::kAddWorkstation ||
                     options.flow == UnattendedFlow::kPeripheralUnit;
  answers_[Question::kInvalidConfig] = YesIf(options.accept_invalid);
  answers_[Question::kConfirmUnit] = YesIf(options.flow == UnattendedFlow::kPeripheralUnit);
  answers_[Question::kCreateWorkpoint] = YesIf(joins);
  answers_[Question::kCreateIcon] = YesIf(joins);
  answers_[Question::kInstallLock] = YesIf(options.ignore_lock);
  answers_[Question::kConvertNetworkUnit] = options.network_unit;
  answers_[Question::kShareOffer] = options.share;
  answers_[Question::kCancel] = Answer::kNo;
}

Answer UnattendedPrompter::AnswerTo(Question question) const {
  const auto it = answers_.find(question);
  return it == answers_.end() ? Answer::kUnset : it->second;
}

bool UnattendedPrompter::Show(MessageKind kind, const std::string& text) {
  return ShowCaptioned(kind, text, "Attenzione");
}

bool UnattendedPrompter::ShowCaptioned(MessageKind kind, const std::string& text,
                                       const std::string& caption) {
  switch (kind) {
    case MessageKind::kInformation:
      WriteLog("[  INFO] Unattended message -> " + caption + " -> " + OneLine(text));
      return false;
    case MessageKind::kQuestion:
      // A question this run cannot tell from the others is never taken as a Yes.
      Refuse(Question::kCancel, text);
      return false;
    case MessageKind::kCloseAndRetry:
      if (!close_wait_.Again(text)) {
        waited_in_vain_ = true;
        if (give_up_) give_up_();
        return false;
      }
      close_requested_ = true;
      return false;
    default:
      WriteLog("[**  ERR] Unattended message -> " + caption + " -> " + OneLine(text));
      return false;
  }
}

void UnattendedPrompter::Refuse(Question question, const std::string& text) {
  unanswered_ = true;
  unanswered_question_ = question;
  WriteLog(std::string("[**  ERR] Unattended: question not answered (switch: ") +
           SwitchOf(question) + ") -> " + OneLine(text));
}

bool UnattendedPrompter::Ask(Question question, const std::string& text,
                             const std::string& caption) {
  const Answer answer = AnswerTo(question);
  if (answer == Answer::kUnset) {
    Refuse(question, text);
    return false;
  }
  WriteLog(std::string("[  INFO] Unattended: question answered ") +
           (answer == Answer::kYes ? "Yes" : "No") + " (" + SwitchOf(question) + ") -> " +
           caption + " -> " + OneLine(text));
  return answer == Answer::kYes;
}

void UnattendedPrompter::RefuseAhead(Question question) {
  const char* what = question == Question::kShareOffer
                         ? "the share offer for the office folder"
                         : "the conversion of a year folder on a network drive";
  Refuse(question, std::string(what) + ", asked at the end of the installation");
}
