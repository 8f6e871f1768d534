// The session against four real servers from the distribution on 127.0.0.1, laid
// out as the supplier's server is: the packed price list under
// price/<client code>/, orders into zayav/, waybills in nakl/<client code>/.
// Each exchange is run as the exchange operations run it, in passive and in
// active mode, and every file is compared byte for byte.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "ftp/errors.h"
#include "ftp/ftp_client.h"
#include "support/file_bytes.h"
#include "support/ftp_real_server.h"
#include "support/temp_dir.h"

namespace zakaz::ftp {
namespace {

using zakaz::testing::Pattern;
using zakaz::testing::ReadFile;
using zakaz::testing::WriteFile;

namespace fs = std::filesystem;
using ::testing::StrEq;
using ::testing::ThrowsMessage;
using ::testing::UnorderedElementsAre;
using zakaz::testing::FtpRealServer;
using zakaz::testing::TempDir;

constexpr char kClientCode[] = "1234";

using Param = std::tuple<FtpRealServer::Kind, bool>;

class RealServerTest : public ::testing::TestWithParam<Param> {
 protected:
  void SetUp() override {
    root_ = local_.Path() / "server";
    WriteFile(root_ / "price" / kClientCode / "price.rar", price_);
    fs::create_directories(root_ / "zayav");
    WriteFile(root_ / "nakl" / kClientCode / "N0001.DBF", Pattern(70000, 2));
    WriteFile(root_ / "nakl" / kClientCode / "n0002.dbf", Pattern(1, 3));
    WriteFile(root_ / "nakl" / kClientCode / "empty.dbf", "");
    server_ = std::make_unique<FtpRealServer>(std::get<0>(GetParam()), root_);
    ZAKAZ_START_REAL_SERVER_OR_SKIP(*server_);
  }

  // Some servers list the names matching a mask; others refuse any mask, and
  // are then asked for the whole directory on the same session. pure-ftpd's
  // "*.*" also matches "." and "..", which a caller must never fetch.
  static void ListWaybills(TFtpClient& client, std::vector<std::string>& names) {
    try {
      client.ListNames(names, "*.*");
    } catch (const EProtocolReplyError& error) {
      EXPECT_THAT(error.ReplyCode(), ::testing::AnyOf(450, 550));
      client.ListNames(names, "");
    }
    std::erase_if(names, [](const std::string& name) { return name == "." || name == ".."; });
  }

  // A session set up from the settings, as the exchange operations do it.
  void Open(TFtpClient& client) {
    client.SetHost("127.0.0.1");
    client.SetPort(server_->Port());
    client.SetUsername(FtpRealServer::kUser);
    client.SetPassword(FtpRealServer::kPassword);
    client.SetPassive(std::get<1>(GetParam()));
    client.SetStallLimit(std::chrono::seconds(30));
    client.OpenSession();
    ASSERT_TRUE(client.IsConnected());
  }

  void End(TFtpClient& client) {
    client.AbortTransfer();
    client.EndSession();
    EXPECT_FALSE(client.IsConnected());
  }

  TempDir local_;
  fs::path root_;
  const std::string price_ = Pattern(1 << 20, 1);
  std::unique_ptr<FtpRealServer> server_;
};

TEST_P(RealServerTest, FetchesThePriceList) {
  TFtpClient client;
  Open(client);
  const std::string remote = std::string("price/") + kClientCode + "/price.rar";
  EXPECT_EQ(static_cast<int64_t>(price_.size()), client.RemoteSize(remote));
  EXPECT_EQ(-1, client.RemoteSize("price/none.rar"));
  client.SetTransferType(ftBinary);
  int64_t last_count = 0;
  client.OnWork = [&](TNetComponent&, TWorkMode, int64_t count) { last_count = count; };
  client.FetchFile(remote, local_.File("price.rar"));
  EXPECT_EQ(price_, ReadFile(local_.File("price.rar")));
  EXPECT_EQ(static_cast<int64_t>(price_.size()), last_count);
  End(client);
}

TEST_P(RealServerTest, SendsOrders) {
  const std::string first = Pattern(123457, 4);
  const std::string second = Pattern(32768, 5);
  WriteFile(local_.Path() / "demand" / "12340A1F.DBF", first);
  WriteFile(local_.Path() / "demand" / "12340A20.DBF", second);
  TFtpClient client;
  Open(client);
  client.ChangeRemoteDir("zayav");
  client.StoreFile((local_.Path() / "demand" / "12340A1F.DBF").string(), "12340A1F.DBF");
  client.StoreFile((local_.Path() / "demand" / "12340A20.DBF").string(), "12340A20.DBF");
  End(client);
  EXPECT_EQ(first, ReadFile(root_ / "zayav" / "12340A1F.DBF"));
  EXPECT_EQ(second, ReadFile(root_ / "zayav" / "12340A20.DBF"));
}

TEST_P(RealServerTest, FetchesAndRemovesWaybills) {
  TFtpClient client;
  Open(client);
  client.ChangeRemoteDir(std::string("nakl/") + kClientCode);
  std::vector<std::string> names;
  ListWaybills(client, names);
  EXPECT_THAT(names, UnorderedElementsAre("N0001.DBF", "n0002.dbf", "empty.dbf"));
  fs::create_directories(local_.Path() / "in");
  for (const auto& name : names) {
    SCOPED_TRACE(name);
    const fs::path expected = root_ / "nakl" / kClientCode / name;
    const std::string content = ReadFile(expected);
    const fs::path local = local_.Path() / "in" / name;
    client.SetTransferType(ftBinary);
    client.FetchFile(name, local.string());
    client.RemoveRemoteFile(name);
    EXPECT_EQ(content, ReadFile(local));
    EXPECT_FALSE(fs::exists(expected));
  }
  names = {"stale"};
  ListWaybills(client, names);
  EXPECT_TRUE(names.empty());
  End(client);
}

TEST_P(RealServerTest, RefusalsLeaveTheSessionUsable) {
  TFtpClient client;
  Open(client);
  try {
    client.FetchFile("no-such.dbf", local_.File("no-such.dbf"));
    FAIL() << "no exception";
  } catch (const EProtocolReplyError& error) {
    EXPECT_EQ(550, error.ReplyCode());
  }
  EXPECT_EQ("", ReadFile(local_.File("no-such.dbf")));
  EXPECT_EQ(nullptr, client.DataConnection());
  EXPECT_THAT([&] { client.ChangeRemoteDir("no-such-dir"); },
              ThrowsMessage<EProtocolReplyError>(::testing::EndsWith("\r\n")));
  EXPECT_THAT([&] { client.RemoveRemoteFile("no-such.dbf"); },
              ThrowsMessage<EProtocolReplyError>(::testing::EndsWith("\r\n")));
  client.ChangeRemoteDir("price");
  EXPECT_EQ(static_cast<int64_t>(price_.size()),
            client.RemoteSize(std::string(kClientCode) + "/price.rar"));
  End(client);
}

const auto kServers = ::testing::Values(FtpRealServer::kVsftpd, FtpRealServer::kPureFtpd,
                                        FtpRealServer::kProftpd, FtpRealServer::kPyftpdlib);

INSTANTIATE_TEST_SUITE_P(Servers, RealServerTest, ::testing::Combine(kServers, ::testing::Bool()),
                         [](const auto& info) {
                           return FtpRealServer::TestName(std::get<0>(info.param)) +
                                  (std::get<1>(info.param) ? "Passive" : "Active");
                         });

// The log-in is the same in both modes, and a refused one takes seconds.
class RealServerLogInTest : public ::testing::TestWithParam<FtpRealServer::Kind> {};

TEST_P(RealServerLogInTest, WrongPasswordFailsWithTheServersText) {
  TempDir root;
  FtpRealServer server(GetParam(), root.Path());
  ZAKAZ_START_REAL_SERVER_OR_SKIP(server);
  TFtpClient client;
  client.SetHost("localhost");
  client.SetPort(server.Port());
  client.SetUsername(FtpRealServer::kUser);
  client.SetPassword("wrong");
  try {
    client.OpenSession();
    FAIL() << "no exception";
  } catch (const EProtocolReplyError& error) {
    EXPECT_EQ(530, error.ReplyCode());
    const std::map<FtpRealServer::Kind, std::string> texts = {
        {FtpRealServer::kVsftpd, "Login incorrect.\r\n"},
        {FtpRealServer::kPureFtpd, "Login authentication failed\r\n"},
        {FtpRealServer::kProftpd, "Login incorrect.\r\n"},
        {FtpRealServer::kPyftpdlib, "Authentication failed.\r\n"}};
    EXPECT_EQ(texts.at(GetParam()), std::string(error.what()));
  }
  EXPECT_FALSE(client.IsConnected());
}

INSTANTIATE_TEST_SUITE_P(Servers, RealServerLogInTest, kServers,
                         [](const auto& info) { return FtpRealServer::TestName(info.param); });

}  // namespace
}  // namespace zakaz::ftp
