// The network walk against fake neighbourhood and share tables, and the report of a share's
// folders against real folders.
#include "sys/share_discovery.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <winnetwk.h>

#include <memory>

#include "fake_network.h"
#include "fake_share_service.h"
#include "log_capture.h"
#include "support/temp_folder.h"
#include "sys/fs_utils.h"
#include "sys/network_browser.h"
#include "sys/string_utils.h"

namespace {

NetResourceEntry Entry(const std::string& name, unsigned long display_type, unsigned long usage) {
  NetResourceEntry entry;
  entry.remote_name = name;
  entry.display_type = display_type;
  entry.usage = usage;
  return entry;
}

struct Found {
  std::string domain;
  std::string path;
  bool operator==(const Found& other) const { return domain == other.domain && path == other.path; }
};
std::ostream& operator<<(std::ostream& out, const Found& found) {
  return out << found.domain << "|" << found.path;
}

class RecordingSink : public ShareFoundSink {
 public:
  std::vector<std::pair<std::string, int>> calls;
  void InstallsChanged(const std::string& folder, int year) override {
    calls.push_back({folder, year});
  }
};

// Two workgroups below a provider container; servers listed by name and by address.
void FillNetwork(FakeNetworkResourceService& network, FakeShareService& shares) {
  network.children[""] = {
      Entry("Microsoft Windows Network", RESOURCEDISPLAYTYPE_NETWORK, RESOURCEUSAGE_CONTAINER),
      Entry("Stampanti", RESOURCEDISPLAYTYPE_GENERIC, RESOURCEUSAGE_CONNECTABLE)};
  network.children["Microsoft Windows Network"] = {
      Entry("WORKGROUP", RESOURCEDISPLAYTYPE_DOMAIN, RESOURCEUSAGE_CONTAINER),
      Entry("STUDIO", RESOURCEDISPLAYTYPE_DOMAIN, RESOURCEUSAGE_CONTAINER)};
  network.children["WORKGROUP"] = {
      Entry("\\\\PC1", RESOURCEDISPLAYTYPE_SERVER, RESOURCEUSAGE_CONTAINER),
      Entry("\\\\192.168.1.20", RESOURCEDISPLAYTYPE_SERVER, RESOURCEUSAGE_CONTAINER),
      Entry("\\\\10.0.0.9", RESOURCEDISPLAYTYPE_SERVER, RESOURCEUSAGE_CONTAINER),
      Entry("WORKGROUP\\altro", RESOURCEDISPLAYTYPE_SHARE, RESOURCEUSAGE_CONNECTABLE)};
  network.children["STUDIO"] = {
      Entry("\\\\PC2", RESOURCEDISPLAYTYPE_SERVER, RESOURCEUSAGE_CONTAINER),
      Entry("\\\\BOGUS", RESOURCEDISPLAYTYPE_SERVER, RESOURCEUSAGE_CONTAINER)};

  shares.servers["\\\\PC1"] = {{"Dati", ""},
                               {"C$", ""},
                               {"Nasc$osta", ""},
                               {"Laser", "", 1 /* STYPE_PRINTQ */},
                               {"ZAV 00123", ""}};
  shares.servers["\\\\SRV01"] = {{"Archivio", ""}};
  shares.servers["\\\\10.0.0.9"] = {{"Pubblica", ""}};
  shares.enum_errors["\\\\PC2"] = 53;  // ERROR_BAD_NETPATH
  shares.bogus_count = 10000;
}

std::string FakeResolver(const std::string& address) {
  return address == "192.168.1.20" ? "srv01.studio.local" : "";
}

}  // namespace

TEST(NetworkBrowser, WalksDomainsServersAndDiskShares) {
  FakeNetworkResourceService network;
  FakeShareService shares;
  ScopedNetworkResourceService network_scope(&network);
  ScopedShareService share_scope(&shares);
  FillNetwork(network, shares);

  std::vector<Found> found;
  NetworkBrowser browser(
      [&](const std::string& domain, const std::string& path) {
        found.push_back({domain, path});
      },
      FakeResolver);
  browser.Browse();

  EXPECT_EQ(browser.domains(), (std::vector<std::string>{"WORKGROUP", "STUDIO"}));
  ASSERT_EQ(browser.servers().size(), 5u);
  // The server listed by address is reported under its short host name in upper case, its
  // domain under the rest of the name; an address without a name stays as it is.
  EXPECT_EQ(browser.servers()[1].name, "\\\\SRV01");
  EXPECT_EQ(browser.servers()[1].domain, "STUDIO.LOCAL");
  EXPECT_EQ(browser.servers()[2].name, "\\\\10.0.0.9");
  EXPECT_EQ(found, (std::vector<Found>{{"WORKGROUP", "\\\\PC1\\Dati"},
                                       {"WORKGROUP", "\\\\PC1\\ZAV 00123"},
                                       {"STUDIO.LOCAL", "\\\\SRV01\\Archivio"},
                                       {"WORKGROUP", "\\\\10.0.0.9\\Pubblica"}}));
  // Domains and containers are read with the small buffer, servers of a domain with the big.
  EXPECT_EQ(network.calls, (std::vector<std::string>{":3200", "Microsoft Windows Network:3200",
                                                     "WORKGROUP:16384", "STUDIO:16384"}));
  // Shares are listed by name only.
  EXPECT_EQ(shares.enum_calls.front(), "\\\\PC1:0");
}

TEST(NetworkBrowser, ReverseNameRules) {
  auto resolver = [](const std::string& address) {
    if (address == "1.2.3.4") return std::string("nas");
    if (address == "5.6.7.8") return std::string("Server.Ufficio.Lan");
    return std::string();
  };
  std::string server = "\\\\1.2.3.4";
  std::string domain = "WORKGROUP";
  EXPECT_TRUE(ApplyReverseName(resolver, &server, &domain));
  EXPECT_EQ(server, "\\\\NAS");
  EXPECT_EQ(domain, "");
  server = "\\\\5.6.7.8";
  EXPECT_TRUE(ApplyReverseName(resolver, &server, &domain));
  EXPECT_EQ(server, "\\\\SERVER");
  EXPECT_EQ(domain, "UFFICIO.LAN");
  server = "\\\\PC1";  // a name is never looked up
  EXPECT_FALSE(ApplyReverseName(resolver, &server, &domain));
  EXPECT_EQ(server, "\\\\PC1");
  server = "\\\\";
  EXPECT_FALSE(ApplyReverseName(resolver, &server, &domain));
  // Not an address at all: the real lookup finds no name and changes nothing.
  server = "\\\\9nove";
  domain = "WORKGROUP";
  EXPECT_FALSE(ApplyReverseName(ReverseResolveAddress, &server, &domain));
  EXPECT_EQ(server, "\\\\9nove");
  EXPECT_EQ(domain, "WORKGROUP");
  // The loopback address has a name everywhere: the real lookup goes through Winsock.
  server = "\\\\127.0.0.1";
  ASSERT_TRUE(ApplyReverseName(ReverseResolveAddress, &server, &domain));
  EXPECT_EQ(server, ToUpperCopy(server));
  EXPECT_EQ(server.find('.'), std::string::npos);
  EXPECT_EQ(server.substr(0, 2), "\\\\");
  EXPECT_GT(server.size(), 2u);
}

TEST(OnShareFound, ReportsShareAndItsPlainFoldersWithTheYear) {
  TempFolder temp;
  const std::string share = temp.path();  // stands for "\\SERVER\share": a real folder walk
  ASSERT_TRUE(CreateDirectoryTree(temp.Sub("ZAV2021")));
  ASSERT_TRUE(CreateDirectoryTree(temp.Sub(".config")));
  ASSERT_TRUE(CreateDirectoryTree(temp.Sub("Di sistema")));
  ASSERT_TRUE(CreateDirectoryTree(temp.Sub("Nascosta")));
  ASSERT_TRUE(WriteTextFile(temp.Sub("file.txt"), "x"));
  ASSERT_TRUE(SetFileAttributesA(temp.Sub("Di sistema").c_str(), FILE_ATTRIBUTE_SYSTEM));
  ASSERT_TRUE(SetFileAttributesA(temp.Sub("Nascosta").c_str(), FILE_ATTRIBUTE_HIDDEN));
  ASSERT_EQ(GetFileAttributesA(temp.Sub("ZAV2021").c_str()), DWORD{FILE_ATTRIBUTE_DIRECTORY});

  RecordingSink sink;
  LogCapture log;
  OnShareFound("WORKGROUP", share, "ZAV2021", sink);
  EXPECT_EQ(sink.calls, (std::vector<std::pair<std::string, int>>{{share, 2021},
                                                                  {share + "\\ZAV2021\\", 2021}}));
  EXPECT_EQ(log.MessagesWith(share),
            (std::vector<std::string>{"[  INFO] Share found on WORKGROUP" + share,
                                      "[  INFO] Share check end for WORKGROUP" + share}));
  SetFileAttributesA(temp.Sub("Di sistema").c_str(), FILE_ATTRIBUTE_NORMAL);

  // A share that cannot be listed is still reported itself.
  sink.calls.clear();
  OnShareFound("", temp.Sub("manca"), "ZAV2022", sink);
  ASSERT_EQ(sink.calls.size(), 1u);
  EXPECT_EQ(sink.calls[0].second, 2022);
  EXPECT_EQ(YearOfFolderName("ZAV"), 0);
}

TEST(RunNetworkDiscovery, ReportsToSinkAndClearsRunningFlag) {
  FakeNetworkResourceService network;
  FakeShareService shares;
  ScopedNetworkResourceService network_scope(&network);
  ScopedShareService share_scope(&shares);
  network.children[""] = {Entry("UFFICIO", RESOURCEDISPLAYTYPE_DOMAIN, RESOURCEUSAGE_CONTAINER)};
  network.children["UFFICIO"] = {
      Entry("\\\\PCX", RESOURCEDISPLAYTYPE_SERVER, RESOURCEUSAGE_CONTAINER)};
  shares.servers["\\\\PCX"] = {{"Scambio", ""}};

  volatile bool discovery_running = true;
  RecordingSink sink;
  LogCapture log;
  DiscoveryOptions options;
  options.sink = &sink;
  options.running = &discovery_running;
  options.start_delay_ms = 0;
  RunNetworkDiscovery(options);
  EXPECT_FALSE(discovery_running);

  EXPECT_EQ(sink.calls, (std::vector<std::pair<std::string, int>>{{"\\\\PCX\\Scambio", 2021}}));
  const std::vector<std::string> lines = log.MessagesWith("discovery");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "[  INFO] Network share discovery starts");
  EXPECT_EQ(lines[1], "[  INFO] Network share discovery ends");
  EXPECT_TRUE(log.Has("[  INFO] Share found on UFFICIO\\\\PCX\\Scambio"));
}

namespace {
std::vector<std::pair<std::string, LPARAM>>* g_received = nullptr;
LRESULT CALLBACK SheetProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INSTALLS_CHANGED && g_received)
    g_received->push_back({reinterpret_cast<const char*>(wparam), lparam});
  return DefWindowProcA(window, message, wparam, lparam);
}
}  // namespace

TEST(SheetMessageSink, SendsInstallsChangedToTheSheetWindow) {
  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = SheetProc;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.lpszClassName = "ZavTestSheet";
  RegisterClassA(&window_class);
  HWND sheet = CreateWindowA("ZavTestSheet", "", 0, 0, 0, 10, 10, nullptr, nullptr,
                             window_class.hInstance, nullptr);
  ASSERT_NE(sheet, nullptr);
  std::vector<std::pair<std::string, LPARAM>> received;
  g_received = &received;

  HWND current_sheet = nullptr;
  SheetMessageSink sink([&] { return current_sheet; });
  sink.InstallsChanged("\\\\PC1\\Dati", 2021);  // no sheet yet: nothing is sent
  current_sheet = sheet;
  sink.InstallsChanged("\\\\PC1\\Dati\\ZAV2021\\", 2021);
  g_received = nullptr;
  DestroyWindow(sheet);

  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].first, "\\\\PC1\\Dati\\ZAV2021\\");
  EXPECT_EQ(received[0].second, 2021);
}
