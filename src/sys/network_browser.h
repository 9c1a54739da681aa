// Walks the local network for disk shares: domains (workgroups), their servers, and each
// server's shares. Used only by the share discovery thread.
#pragma once
#include <functional>
#include <string>
#include <vector>

class NetworkBrowser {
 public:
  // Called for each disk share found, with the domain and "\\SERVER\share".
  using ShareHandler = std::function<void(const std::string& domain, const std::string& path)>;
  // The host name of an IPv4 address text; empty when it has none or is no address.
  using Resolver = std::function<std::string(const std::string& address)>;

  struct Server {
    std::string domain;
    std::string name;  // "\\NAME"
    std::vector<std::string> shares;
  };

  explicit NetworkBrowser(ShareHandler handler, Resolver resolver = nullptr);

  // The three stages, in this order; Browse runs them all.
  void FindDomains();
  void FindServers();
  void FindShares();
  void Browse();

  const std::vector<std::string>& domains() const { return domains_; }
  const std::vector<Server>& servers() const { return servers_; }

 private:
  void ScanContainers(const struct NetResourceEntry* container);
  void ScanServer(Server& server);

  ShareHandler handler_;
  Resolver resolver_;
  std::vector<std::string> domains_;
  std::vector<Server> servers_;
};

// Reverse lookup through Winsock (inet_addr, getnameinfo); empty when no name is known.
std::string ReverseResolveAddress(const std::string& address);

// A server listed by its IPv4 address takes the resolved host name: "\\HOST" (upper case,
// up to the first dot) and, as domain, the rest after that dot. False (nothing changed) when
// the name does not start with a digit or the resolver knows no name.
bool ApplyReverseName(const NetworkBrowser::Resolver& resolver, std::string* server,
                      std::string* domain);
