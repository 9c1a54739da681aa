#include "wizard/unattended_flow.h"

#include "app/exit_codes.h"
#include "log/setup_log.h"
#include "resource.h"
#include "survey/office_code.h"
#include "sys/string_utils.h"
#include "wizard/end_rules.h"
#include "wizard/office_rules.h"
#include "wizard/page_table.h"
#include "wizard/start_rules.h"

namespace {

const char* FlowName(UnattendedFlow flow) {
  switch (flow) {
    case UnattendedFlow::kNewOffice:
      return "new office";
    case UnattendedFlow::kAddWorkstation:
      return "add workstation";
    case UnattendedFlow::kPeripheralUnit:
      return "peripheral unit";
    case UnattendedFlow::kRestore:
      return "restore";
    case UnattendedFlow::kNone:
      break;
  }
  return "none";
}

std::string WithBackslash(const std::string& folder) {
  return !folder.empty() && folder.back() == '\\' ? folder : folder + "\\";
}

// What stopped a step: an unanswered question or a program left open tell more than the step.
int Refused(const UnattendedRun& run, int step_code) {
  const UnattendedPrompter& prompter = *run.prompter;
  int code = step_code;
  if (prompter.unanswered())
    code = prompter.unanswered_question() == Question::kInstallLock ? kExitInstallLocked
                                                                    : kExitQuestionUnanswered;
  else if (prompter.waited_in_vain())
    code = kExitPlatformRunning;
  WriteLog("[**  ERR] Unattended installation not completed -> " + IntToString(code));
  return code;
}

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool IsSurveyDisk(const CSetting& setting, char letter) {
  for (const std::string& disk : setting.disks)
    if (!disk.empty() && ToUpperCopy(disk.substr(0, 1)) == ToUpperCopy(std::string(1, letter)))
      return true;
  return false;
}

// The new office's folder: a drive of the destination page's list, or a folder on one.
bool ChooseDestination(UnattendedRun& run) {
  CSetting& s = *run.setting;
  std::string wanted = run.options.destination;
  if (wanted.empty()) wanted = s.default_drive;
  const bool drive_only = wanted.size() <= 3 && IsDriveLetter(wanted[0]) &&
                          (wanted.size() == 1 || wanted[1] == ':') &&
                          (wanted.size() < 3 || wanted[2] == '\\');
  const bool folder = wanted.size() > 3 && IsDriveLetter(wanted[0]) && wanted[1] == ':' &&
                      wanted[2] == '\\' && wanted.find("\\..") == std::string::npos &&
                      wanted.find("\\\\", 2) == std::string::npos;
  if ((!drive_only && !folder) || !IsSurveyDisk(s, wanted[0])) {
    WriteLog("[**  ERR] Unattended destination not usable -> " + wanted +
             " (a drive of this PC, or a folder on one, is needed)");
    return false;
  }
  if (drive_only) {
    const std::string letter = ToUpperCopy(wanted.substr(0, 1));
    return SelectUnitNext(letter, s, *run.prompter, *run.destination);
  }
  std::string path = wanted;
  while (path.size() > 3 && path.back() == '\\') path.pop_back();
  if (!CheckDestination(path, s, *run.prompter, *run.destination)) return false;
  s.office_root = path + "\\";
  s.base_path = path.substr(0, path.find_last_of('\\'));
  if (s.base_path.size() == 2) s.base_path += "\\";
  return true;
}

// The office pages of the new-office flow; kNeighbour when the office is taken.
int NewOffice(UnattendedRun& run) {
  CSetting& s = *run.setting;
  // "Nuovo Ufficio" on the list, when offices were found, then the new-office page.
  if (!s.installs.empty()) PrepareNewOffice(s);
  ResetNewOffice(s);
  const std::string& code = run.options.office_code;
  bool cut = false;
  // The page cuts what is typed to five characters; a longer code given here is refused.
  if (code.size() <= 5) OfficeCodeTyped(code, s, cut);
  return PmNewNext(code, run.options.password, s, *run.prompter);
}

}  // namespace

int FindOffice(const CSetting& setting, const std::string& office_code,
               const std::string& destination) {
  const std::string code = PadOfficeCode(office_code);
  const std::string prefix = ToUpperCopy(destination);
  for (size_t i = 0; i < setting.installs.size(); ++i) {
    const InstallRecord& record = *setting.installs[i];
    if (PadOfficeCode(record.pm) != code) continue;
    if (ToUpperCopy(WithBackslash(record.setup_path)).compare(0, prefix.size(), prefix) != 0)
      continue;
    return static_cast<int>(i);
  }
  return -1;
}

int RunUnattendedFlow(UnattendedRun& run) {
  CSetting& s = *run.setting;
  const UnattendedOptions& o = run.options;
  UnattendedPrompter& prompter = *run.prompter;
  WriteLog(std::string("[  INFO] Unattended installation -> ") + FlowName(o.flow));

  // The start page.
  bool invalid_accepted = false;
  if (CheckInvalidConfig(s) == InvalidConfig::kCurrentYear) {
    if (!prompter.Ask(Question::kInvalidConfig, kInvalidConfigQuestion, "Attenzione"))
      return Refused(run, kExitQuestionUnanswered);
    WriteLog("[* WARN] Proceed with wrong config installation");
    AcceptInvalidConfig(s, run.assignee);
    invalid_accepted = true;
  }
  // As on the start page: after the invalid configuration was accepted, the wizard goes on
  // as an installation, which reaches the office list too.
  int option = IDC_OPTION_INSTALL;
  if (o.flow == UnattendedFlow::kRestore) option = IDC_OPTION_RESTORE;
  if (o.flow == UnattendedFlow::kAddWorkstation && !invalid_accepted) option = IDC_OPTION_ADD_PDL;
  StartFlags flags;
  int result = kStay;
  do {
    result = StartNext(option, s, flags, prompter, *run.pages);
  } while (result == kStay && prompter.TakeCloseRequest());
  if (result == kStay) return Refused(run, kExitOfficeUnavailable);

  bool skip_destination = flags.restore_mode;
  if (!flags.restore_mode && o.flow == UnattendedFlow::kNewOffice) {
    if (NewOffice(run) != kNeighbour) return Refused(run, kExitOfficeRefused);
    if (!ChooseDestination(run)) return Refused(run, kExitDestinationRefused);
  } else if (!flags.restore_mode) {
    const int index = FindOffice(s, o.office_code, o.destination);
    if (!IsValidOfficeCode(o.office_code) || index < 0) {
      WriteLog("[**  ERR] Unattended: office not found -> " + o.office_code +
               (o.destination.empty() ? "" : " -> " + o.destination));
      return Refused(run, kExitOfficeUnavailable);
    }
    result = PmSelectNext(index, s, prompter, *run.pages);
    if (result == kStay) return Refused(run, kExitOfficeUnavailable);
    skip_destination = result == IDD_WIZ_INSTALL;
  }
  // The end page's questions come after the whole installation: one no switch answers is
  // refused now, before any folder is made.
  if (!flags.restore_mode) {
    if (s.install_kind == 2 && prompter.AnswerTo(Question::kConvertNetworkUnit) == Answer::kUnset &&
        IsOnNetwork(s.office_root, *run.end)) {
      prompter.RefuseAhead(Question::kConvertNetworkUnit);
      return Refused(run, kExitQuestionUnanswered);
    }
    if (prompter.AnswerTo(Question::kShareOffer) == Answer::kUnset &&
        ShareOfferDue(s.office_root, s.office_code, *run.end, false)) {
      prompter.RefuseAhead(Question::kShareOffer);
      return Refused(run, kExitQuestionUnanswered);
    }
  }

  if (!skip_destination && !BeforeInstallNext(s, run.machine, prompter, *run.destination))
    return Refused(run, kExitDestinationRefused);

  // The install page.
  const int lock = run.pages->CheckInstallLock(s.office_root);
  if (lock < 0) return Refused(run, kExitInstallLocked);
  if (lock == 1) {
    WriteLog("[* WARN] Lock file not created because already exists");
  } else {
    WriteLog("[  INFO] Created lock file");
    run.install->CreateLock(s.office_root, s.pdl_number);
  }
  if (!run.install->Install(flags.restore_mode)) return Refused(run, kExitUnpackFailed);

  // The end page.
  EndWorkState state;
  const EndResult end = RunEndWork(flags.restore_mode, s, prompter, *run.end, state, nullptr);
  if (end == EndResult::kNotRegistered) return Refused(run, static_cast<int>(kExitNotRegistered));
  run.install->LockRemoved();
  if (state.workpoints_copied)
    prompter.ShowCaptioned(MessageKind::kInformation, WorkpointsCopiedText(s.current_year),
                           "Importante");
  if (state.share_failed) return Refused(run, kExitShareFailed);
  WriteLog("[  INFO] Unattended installation completed");
  return kExitDone;
}
