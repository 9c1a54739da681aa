#include "sys/network_browser.h"

#include <windows.h>
#include <winnetwk.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cctype>
#include <cstdio>

#include "sys/network_resource_service.h"
#include "sys/share_service.h"
#include "sys/string_utils.h"

namespace {

constexpr unsigned long kDomainBufferSize = 3200;
constexpr unsigned long kServerBufferSize = 16384;
constexpr size_t kBogusShareCount = 9999;

// Diagnostics on standard output (invisible in the windowed setup, seen when redirected).
void PrintEnumError(unsigned long code) {
  char* text = nullptr;
  std::string message;
  if (FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                         FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, code, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr) &&
      text) {
    message = text;
    LocalFree(text);
    while (!message.empty() && std::isspace(static_cast<unsigned char>(message.back())))
      message.pop_back();
  } else {
    message = "Error " + std::to_string(code);
  }
  std::printf("Message?: %s", message.c_str());
}

}  // namespace

std::string ReverseResolveAddress(const std::string& address) {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return std::string();
  std::string host;
  const unsigned long ip = inet_addr(address.c_str());
  if (ip != INADDR_NONE) {
    sockaddr_in socket_address = {};
    socket_address.sin_family = AF_INET;
    socket_address.sin_addr.s_addr = ip;
    char name[NI_MAXHOST] = {};
    // NI_NAMEREQD: an address without a name must not come back as its own digits.
    if (getnameinfo(reinterpret_cast<sockaddr*>(&socket_address), sizeof(socket_address), name,
                    sizeof(name), nullptr, 0, NI_NAMEREQD) == 0)
      host = name;
  }
  WSACleanup();
  return host;
}

bool ApplyReverseName(const NetworkBrowser::Resolver& resolver, std::string* server,
                      std::string* domain) {
  if (server->size() < 3 || !std::isdigit(static_cast<unsigned char>((*server)[2]))) return false;
  const std::string host = ToUpperCopy(resolver ? resolver(server->substr(2)) : "");
  if (host.empty()) return false;
  const size_t dot = host.find('.');
  *server = "\\\\" + host.substr(0, dot);
  *domain = dot == std::string::npos ? std::string() : host.substr(dot + 1);
  return true;
}

NetworkBrowser::NetworkBrowser(ShareHandler handler, Resolver resolver)
    : handler_(std::move(handler)),
      resolver_(resolver ? std::move(resolver) : Resolver(ReverseResolveAddress)) {}

void NetworkBrowser::Browse() {
  FindDomains();
  FindServers();
  FindShares();
}

void NetworkBrowser::FindDomains() { ScanContainers(nullptr); }

void NetworkBrowser::ScanContainers(const NetResourceEntry* container) {
  const std::vector<NetResourceEntry> children =
      GetNetworkResourceService().ListChildren(container, kDomainBufferSize);
  for (const NetResourceEntry& child : children) {
    if (child.display_type == RESOURCEDISPLAYTYPE_DOMAIN)
      domains_.push_back(child.remote_name);
    else if (child.usage & RESOURCEUSAGE_CONTAINER)
      ScanContainers(&child);
  }
}

void NetworkBrowser::FindServers() {
  for (const std::string& domain : domains_) {
    NetResourceEntry container;
    container.remote_name = domain;
    container.display_type = RESOURCEDISPLAYTYPE_DOMAIN;
    container.usage = RESOURCEUSAGE_CONTAINER;
    for (const NetResourceEntry& child :
         GetNetworkResourceService().ListChildren(&container, kServerBufferSize)) {
      if (child.display_type != RESOURCEDISPLAYTYPE_SERVER) continue;
      Server server;
      server.domain = domain;
      server.name = child.remote_name;
      servers_.push_back(server);
    }
  }
}

void NetworkBrowser::FindShares() {
  for (Server& server : servers_) ScanServer(server);
}

void NetworkBrowser::ScanServer(Server& server) {
  ApplyReverseName(resolver_, &server.name, &server.domain);
  ShareService& service = GetShareService();
  unsigned long resume = 0;
  unsigned long result = 0;
  do {
    std::vector<ShareEntry> entries;
    result = service.EnumShares(server.name, 0, &resume, &entries);
    if (result != 0 && result != kShareStatusMoreData) {
      PrintEnumError(result);
      return;
    }
    if (entries.size() > kBogusShareCount) {
      std::printf(
          "Message...: %s",
          ("NetShareEnum returned " + std::to_string(entries.size()) + " shares (bogus)").c_str());
      return;
    }
    for (const ShareEntry& entry : entries) {
      std::printf("\nCondivisione rilevata: %s ", entry.name.c_str());
      // Administrative and hidden shares are not offered.
      if (entry.name.find('$') != std::string::npos) continue;
      const std::string path = server.name + "\\" + entry.name;
      unsigned long type = 0xFFFFFFFF;
      if (service.GetShareType(server.name, entry.name, &type) != 0 || type != kShareTypeDiskTree)
        continue;
      server.shares.push_back(path);
      if (handler_) handler_(server.domain, path);
    }
    if (entries.empty()) break;  // "more data" without data would repeat forever
  } while (result == kShareStatusMoreData);
}
