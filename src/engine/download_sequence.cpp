// Phases 1 to 3: the legacy runtime archive, the client manifest and the client archive,
// each fetched by one request whose completion decides the next step.
#include <windows.h>

#include <algorithm>

#include "engine/install_engine.h"
#include "engine/program_end.h"
#include "log/setup_log.h"
#include "net/folder_checksum.h"
#include "net/manifest.h"
#include "net/signature.h"
#include "net/signature_document.h"
#include "net/transfer_check.h"
#include "net/wininet_wrapper.h"
#include "sys/process_checks.h"
#include "sys/scoped_handle.h"
#include "sys/string_utils.h"

const DownloadPhaseTexts kDownloadPhaseTexts[3] = {
    {"[  INFO] Moltra download finished -> ", "[* WARN] Download Moltra not completed -> ",
     "[* WARN] Connection error phase 1 -> "},
    {"[  INFO] Qel xml download finished -> ", "[* WARN] Download QEL Xml not completed -> ",
     "[* WARN] Connection error phase 2 -> "},
    {"[  INFO] Qel archive download finished -> ", "[* WARN] Download QEL not completed -> ",
     "[* WARN] Connection error phase 3 -> "},
};

const char kConnectionProblemText[] =
    "Si sono verificati dei problemi di connessione durante il download di alcuni componenti. "
    "Verificare la propria connessione a Internet e riprovare.";
const char kMoltraRunningText[] =
    "ATTENZIONE!!\n\nE' stata rilevata una versione della Piattaforma in esecuzione. Chiudere "
    "il programma e cliccare su OK per proseguire con l'installazione.";

const char kSignatureProblemText[] =
    "Alcuni componenti scaricati non hanno una firma valida del produttore: potrebbero essere "
    "stati alterati e non verranno installati. Riprovare; se il problema persiste contattare "
    "l'assistenza.";

int DownloadPercent(long long bytes, long long content_length) {
  if (content_length < 100) return -1;
  return static_cast<int>((bytes / 100) * 100 / (content_length / 100));
}

std::string WriteProblemText(const std::string& folder, long long bytes_needed) {
  const long long mb = (bytes_needed + 1048575) / 1048576;
  return "Impossibile salvare i componenti scaricati nella cartella " + folder +
         "\nIl disco è pieno o la cartella non è scrivibile: servono almeno " + IntToString(mb) +
         " MB liberi. Liberare spazio su disco e riprovare.";
}

void RemovePartialDownloads(const InstallParams& params) {
  for (const std::string* target :
       {&params.moltra_archive_path, &params.qel_archive_path, &params.update_package_path})
    WininetWrapper::RemovePartial(*target);
}

bool CanOpenPackage(const std::string& path) {
  if (path.empty()) return false;
  ScopedHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.valid();
}

InstallEngine::InstallEngine(const InstallParams& params, InstallUi& ui)
    : proxy_user(params.proxy_user),
      proxy_password(params.proxy_password),
      skip_update(params.skip_update),
      params_(params),
      ui_(ui) {}

void InstallEngine::StartRequest(const std::string& url, const std::string& target,
                                 bool signature) {
  if (!signature) signed_url_ = url;
  // Requests are never freed: their windows may still hold posted reports.
  WininetWrapper* request = new WininetWrapper(url);
  request->post = 0;
  request->target = target;
  if (!proxy_user.empty() || !proxy_password.empty())
    request->SetProxyCredentials(proxy_user, proxy_password);
  request->delegate = request_delegate ? request_delegate : this;
  current_request = request;
  if (request->error != 0) {
    // Refused before it started (no scheme separator): no thread will report its end, so
    // it is reported here, through the queue, and the phase reaches its failure path.
    if (!request->window || !PostMessageA(request->window, kRequestMessageCompleted,
                                          reinterpret_cast<WPARAM>(request), 0))
      request->delegate->OnCompleted(request);
    return;
  }
  request->Start();
}

void InstallEngine::StartPhase(int phase) {
  if (phase == 1) StartPhase1();
  if (phase == 2) StartPhase2();
  if (phase == 3) StartPhase3();
  if (phase == 4) StartPhase4();
}

void InstallEngine::StartPhase1() {
  WriteLog("[  INFO] Install phase 1 - Moltra download");
  install_state = 1;
  ui_.SetPhaseText("Fase 1 di 4 - Download componenti");
  SetYearPath();

  const std::string year =
      params_.year_folder.size() > 3 ? params_.year_folder.substr(3, 4) : std::string();
  if (year == params_.selected_year) {
    WriteLog("[  INFO] Install phase 1 - Moltra download skipped, already installed");
    StartPhase2();
    return;
  }
  if (CanOpenPackage(params_.moltra_local_candidate)) {
    WriteLog(
        "[* WARN] Install phase 1 - Moltra download skipped, detected local package for "
        "Moltra install, using it");
    moltra_local_package = params_.moltra_local_candidate;
    StartPhase2();
    return;
  }
  StartRequest(params_.moltra_archive_url, params_.moltra_archive_path);
}

void InstallEngine::StartPhase2() {
  WriteLog("[  INFO] Install phase 2 - Qel xml check");
  install_state = 2;
  ui_.SetPhaseText("Fase 2 di 4 - Download componenti");
  if (CanOpenPackage(params_.qel_local_candidate)) {
    WriteLog(
        "[* WARN] Install phase 2 - Qel xml check skipped, detected local package for QEL "
        "install, using it");
    qel_local_package = params_.qel_local_candidate;
    StartPhase4();
    return;
  }
  WriteLog("[  INFO] Start checking qel xml -> " + params_.qel_manifest_url);
  StartRequest(params_.qel_manifest_url);
}

void InstallEngine::WaitForPlatformToClose() {
  for (;;) {
    while (!cancel_ && IsMoltraRunning(nullptr, params_.skip_qel_running_check)) {
      WriteLog("[* WARN] At least one Moltra running, request to close it");
      ui_.ShowBox(BoxOwner::kPage, kMoltraRunningText, "Attenzione", MB_ICONWARNING | MB_OK);
    }
    // The client is ended and waited for: its files stay in use until it is gone.
    const QelClose qel = CloseRunningQel(params_.skip_qel_running_check);
    if (qel == QelClose::kClosed) WriteLog("[* WARN] Qel already running, terminated");
    if (qel != QelClose::kStillRunning || cancel_) return;
    WriteLog("[* WARN] Qel still running, request to close it");
    ui_.ShowBox(BoxOwner::kPage, kMoltraRunningText, "Attenzione", MB_ICONWARNING | MB_OK);
  }
}

void InstallEngine::StartPhase3() {
  WriteLog("[  INFO] Install phase 3 - Qel archive download");
  install_state = 3;
  ui_.SetPhaseText("Fase 2 di 4 - Verifica componenti");
  if (!params_.qel_folder.empty() &&
      IsValidInstallation(params_.qel_folder, qel_version, qel_checksum)) {
    WriteLog(
        "[  INFO] Install phase 3 - Qel archive download skipped, detected valid Qel "
        "installation");
    StartPhase4();
    return;
  }
  ui_.SetPhaseText("Fase 2 di 4 - Download componenti");
  WaitForPlatformToClose();
  if (cancel_) return;
  WriteLog("[  INFO] Start checking qel package -> " + qel_archive_url);
  // The runtime's package is whole and verified by now: it is unpacked while this downloads.
  StartEarlyMoltra();
  StartRequest(qel_archive_url, params_.qel_archive_path);
}

void InstallEngine::OnContentLength(WininetWrapper*, long long) {}

void InstallEngine::OnProgress(WininetWrapper* request, long long bytes_so_far) {
  const int percent = DownloadPercent(bytes_so_far, request->contentLength);
  if (percent >= 0) ui_.SetDownloadPercent(percent);
}

namespace {
// Whole, and for a package on disk under its final name.
bool ArrivedWhole(const WininetWrapper& request) {
  return IsCompleteTransfer(request.statusCode, request.contentLengthKnown, request.contentLength,
                            request.bodyBytes) &&
         request.writeError == 0;
}
}  // namespace

bool InstallEngine::FetchSignature(WininetWrapper*& request) {
  if (request == signature_request_) {
    signature_request_ = nullptr;
    const std::string& text = request->response;
    signature_.clear();
    if (ArrivedWhole(*request)) signature_ = text;
    else
      WriteLog("[* WARN] Signature download not completed -> " + signed_url_ + ".sig -> " +
               IntToString(request->statusCode));
    request = current_request = signed_request_;
    return false;
  }
  // A failed transfer goes its usual way; a complete one waits for its signature.
  if (!ArrivedWhole(*request)) return false;
  signed_request_ = request;
  StartRequest(signed_url_ + ".sig", std::string(), true);
  signature_request_ = current_request;
  return true;
}

bool InstallEngine::Trusted(const std::string* body, const std::string& path,
                            const WininetWrapper* request) {
  const std::string name = SignedFileName(signed_url_);
  const SignatureCheck check =
      body ? VerifySignedBuffer(*body, name, signature_)
      : request && request->bodyDigestKnown
          ? VerifySignedDigest(static_cast<uint64_t>(request->bodyBytes), request->bodySha256,
                               name, signature_)
          : VerifySignedFile(path, name, signature_);
  if (check == SignatureCheck::kValid) {
    WriteLog("[  INFO] Signature verified -> " + signed_url_);
    return true;
  }
  WriteLog("[**  ERR] Signature check failed -> " + signed_url_ + " -> " +
           SignatureCheckText(check));
  if (!path.empty()) DeleteFileA(path.c_str());
  const int state = install_state;
  if (state == 10 || state == 20) {
    ShowUpdateFailure();
    ui_.EndUpdateDialog();
  } else if (ui_.ShowBox(BoxOwner::kPage, kSignatureProblemText, "Attenzione",
                         MB_ICONWARNING | MB_RETRYCANCEL) == IDRETRY) {
    StartPhase(state);
  } else {
    EndInstallation();
  }
  return false;
}

void InstallEngine::OnCompleted(WininetWrapper* request) {
  // Only the latest request drives the sequence: a report of an abandoned one is stale.
  if (request != current_request || cancel_) return;
  const int state = install_state;
  if (state != 1 && state != 2 && state != 3 && state != 10 && state != 20) return;
  if (FetchSignature(request)) return;
  switch (state) {
    case 1:
    case 2:
    case 3:
      OnPhaseCompleted(install_state, request);
      break;
    case 10:
      OnUpdateInfoCompleted(request);
      break;
    case 20:
      OnUpdatePackageCompleted(request);
      break;
    default:
      break;
  }
}

bool InstallEngine::AskCredentials() {
  std::string user, password;
  // Any failure of the prompt counts as a cancel: storing nothing and asking the server
  // again would only bring the same 407 back, forever.
  if (ui_.PromptCredentials(user, password) != 0) {
    WriteLog("[* WARN] User cancelled proxy settings UI");
    return false;
  }
  WriteLog("[  INFO] Proxy credential set");
  proxy_user = user;
  proxy_password = password;
  return true;
}

void InstallEngine::EndInstallation() {
  DropEarlyMoltra();  // ended before its turn: no runtime unpacked
  RemovePartialDownloads(params_);
  EndProgram(0);
}

bool InstallEngine::AskAfterWriteFailure(const std::string& target, const WininetWrapper& request,
                                         const std::string& caption) {
  WriteLog("[**  ERR] Cannot write package " + target + " -> " +
           IntToString(static_cast<long long>(request.writeError)));
  const size_t slash = target.find_last_of('\\');
  const std::string folder = slash == std::string::npos ? target : target.substr(0, slash + 1);
  return ui_.ShowBox(BoxOwner::kPage,
                     WriteProblemText(folder, std::max(request.contentLength, request.bodyBytes)),
                     caption, MB_ICONWARNING | MB_RETRYCANCEL) == IDRETRY;
}

void InstallEngine::OnPhaseCompleted(int phase, WininetWrapper* request) {
  const DownloadPhaseTexts& texts = kDownloadPhaseTexts[phase - 1];
  std::string& body = request->response;
  const long long received = request->bodyBytes;
  WriteLog(texts.finished + IntToString(received));
  // A package is on disk under its final name only when it arrived whole (the request
  // renames its partial file then); a partial file is never taken for it.
  const bool complete = IsCompleteTransfer(request->statusCode, request->contentLengthKnown,
                                           request->contentLength, received) &&
                        request->writeError == 0;

  bool done = false;
  if (phase == 2) {
    if (complete && !Trusted(&body, "")) return;
    // A cut manifest is not trusted even when what arrived happens to parse.
    done = ReadQelManifest(complete ? body : std::string(), qel_archive_url, qel_version,
                           qel_checksum) &&
           complete;
  } else {
    const std::string& target = phase == 1 ? params_.moltra_archive_path : params_.qel_archive_path;
    if (complete && !Trusted(nullptr, target, request)) return;
    done = complete;
  }

  if (done) {
    std::string().swap(body);
    StartPhase(phase + 1);
    return;
  }
  std::string().swap(body);
  if (request->writeError != 0) {
    const std::string& target = phase == 1 ? params_.moltra_archive_path : params_.qel_archive_path;
    if (AskAfterWriteFailure(target, *request, "Attenzione"))
      StartPhase(phase);
    else
      EndInstallation();
    return;
  }
  if (IsBodyStatus(request->statusCode))
    WriteLog(texts.not_completed + IntToString(received) + " -> " +
             IntToString(request->contentLength));
  else
    WriteLog(texts.connection_error + IntToString(request->statusCode));

  if (request->statusCode == 407) {
    if (!AskCredentials()) {
      EndInstallation();
      return;
    }
    StartPhase(phase);
    return;
  }
  // An archive URL the request refused will be refused again: the manifest is read anew.
  const bool refused = phase == 3 && request->error != 0;
  if (ui_.ShowBox(BoxOwner::kPage, kConnectionProblemText, "Attenzione",
                  MB_ICONQUESTION | MB_RETRYCANCEL) == IDRETRY) {
    StartPhase(refused ? 2 : phase);
    return;
  }
  EndInstallation();
}
