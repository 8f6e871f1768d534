// Data transfers against a scripted loopback server, in both modes: order of
// commands and data connections, preliminary and final replies, local files,
// progress events and time limits.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ftp/errors.h"
#include "ftp/ftp_client.h"
#include "support/file_bytes.h"
#include "support/ftp_script_server.h"
#include "support/temp_dir.h"

namespace zakaz::ftp {
namespace {

using zakaz::testing::ReadFile;
using zakaz::testing::WriteFile;

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::StrEq;
using ::testing::ThrowsMessage;
using zakaz::testing::FtpScriptServer;
using zakaz::testing::TempDir;
using Session = FtpScriptServer::Session;

// Long enough for any loopback round trip on a loaded machine, short enough
// to keep the time-limit tests quick.
constexpr std::chrono::milliseconds kShortLimit{500};

std::string Pattern(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return bytes;
}

std::string Pasv(int port) {
  return "(127,0,0,1," + std::to_string(port / 256) + "," + std::to_string(port % 256) + ")";
}

class TransferTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    client_.SetHost("127.0.0.1");
    client_.SetPort(server_.Port());
    client_.SetUsername("briolan");
    client_.SetPassword("secret");
    client_.SetPassive(GetParam());
    client_.SetStallLimit(std::chrono::seconds(10));
  }
  // The log after the log-in.
  std::vector<std::string> Commands() {
    auto log = server_.Log();
    return std::vector<std::string>(log.begin() + 4, log.end());
  }
  const char* DataCommand() const { return GetParam() ? "PASV" : "PORT"; }

  FtpScriptServer server_;
  TFtpClient client_;
  TempDir dir_;
};

TEST_P(TransferTest, FetchesAFileByteForByte) {
  const std::string content = Pattern(300000);
  server_.SetFile("price/1234/price.rar", content);
  client_.OpenSession();
  client_.FetchFile("price/1234/price.rar", dir_.File("price.rar"));
  EXPECT_EQ(content, ReadFile(dir_.File("price.rar")));
  EXPECT_EQ(nullptr, client_.DataConnection());
  EXPECT_TRUE(client_.IsConnected());
  const auto commands = Commands();
  ASSERT_EQ(3u, commands.size());
  if (GetParam()) {
    EXPECT_EQ("PASV", commands[0]);
    EXPECT_EQ("RETR price/1234/price.rar", commands[1]);
  } else {
    // The control connection's own address and a port the system chose.
    EXPECT_THAT(commands[0], MatchesRegex("PORT 127,0,0,1,[0-9]+,[0-9]+"));
    EXPECT_NE("PORT 127,0,0,1,0,0", commands[0]);
    EXPECT_EQ("RETR price/1234/price.rar", commands[1]);
  }
  EXPECT_EQ("data connected", commands[2]);
}

TEST_P(TransferTest, StoresAFileByteForByte) {
  const std::string content = Pattern(70000);
  WriteFile(dir_.File("order.dbf"), content);
  client_.OpenSession();
  client_.StoreFile(dir_.File("order.dbf"), "order.dbf");
  EXPECT_EQ(content, server_.Stored("order.dbf"));
  EXPECT_THAT(Commands()[1], StrEq("STOR order.dbf"));
  EXPECT_EQ(nullptr, client_.DataConnection());
}

TEST_P(TransferTest, EmptyFilesBothWays) {
  server_.SetFile("empty.dbf", "");
  WriteFile(dir_.File("empty-up.dbf"), "");
  client_.OpenSession();
  client_.FetchFile("empty.dbf", dir_.File("empty.dbf"));
  EXPECT_TRUE(std::filesystem::exists(dir_.File("empty.dbf")));
  EXPECT_EQ("", ReadFile(dir_.File("empty.dbf")));
  client_.StoreFile(dir_.File("empty-up.dbf"), "empty-up.dbf");
  EXPECT_THAT(server_.Log(), ::testing::Contains("STOR empty-up.dbf"));
}

TEST_P(TransferTest, ListsNames) {
  struct Case {
    const char* mask;
    const char* listing;
    const char* line;
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {"*.*", "a.dbf\r\nb.dbf\r\n", "NLST *.*", {"a.dbf", "b.dbf"}},
      {"*.*", "", "NLST *.*", {}},
      {"", "a.dbf\nb.dbf", "NLST", {"a.dbf", "b.dbf"}},
      {"*.dbf  ", "x.dbf\r\n", "NLST *.dbf", {"x.dbf"}},
  };
  client_.OpenSession();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    server_.listing = c.listing;
    std::vector<std::string> names = {"stale entry"};
    client_.ListNames(names, c.mask);
    EXPECT_EQ(c.names, names);
    EXPECT_THAT(server_.Log(), ::testing::Contains(c.line));
  }
}

TEST_P(TransferTest, FailedListingLeavesTheListAlone) {
  server_.OnReply("NLST", "550 No files found.\r\n");
  client_.OpenSession();
  std::vector<std::string> names = {"kept.dbf"};
  EXPECT_THAT([&] { client_.ListNames(names, "*.*"); },
              ThrowsMessage<EProtocolReplyError>(StrEq("No files found.\r\n")));
  EXPECT_EQ(std::vector<std::string>{"kept.dbf"}, names);
}

TEST_P(TransferTest, PreliminaryAndFinalRepliesOfSeveralForms) {
  struct Case {
    const char* name;
    const char* preliminary;
    const char* final_reply;
  };
  constexpr Case kCases[] = {
      {"plain", "150 Opening.\r\n", "226 Done.\r\n"},
      {"125 on an open data connection", "125 Data connection already open.\r\n", "226 Done.\r\n"},
      {"154", "154 Whatever.\r\n", "250 Done.\r\n"},
      {"multi-line 150 and 226", "150-Opening\r\n150 data connection\r\n",
       "226-Transfer complete\r\n226 Bye for now\r\n"},
      {"225", "150 Opening.\r\n", "225 Closing data connection.\r\n"},
  };
  const std::string content = Pattern(40000);
  client_.OpenSession();
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    server_.On("RETR", [&](Session& session, const std::string&) {
      session.Send(c.preliminary);
      session.OpenData();
      session.SendData(content);
      session.CloseData();
      session.Send(c.final_reply);
    });
    const std::string local = dir_.File(std::string(c.name) + ".dbf");
    client_.FetchFile("w.dbf", local);
    EXPECT_EQ(content, ReadFile(local));
  }
  // Every reply was read whole: the session is still in step.
  EXPECT_EQ(-1, client_.RemoteSize("none"));
}

TEST_P(TransferTest, BrokenTransferReplyFailsTheTransfer) {
  struct Case {
    const char* name;
    const char* replies;
    int code;
    const char* message;
    // A 426 or 450 followed by nothing leaves the server's next words
    // unknown, so the session closes rather than read them as another
    // command's reply.
    bool stays_in_step;
  };
  constexpr Case kCases[] = {
      {"426 then 226", "426 Connection closed; transfer aborted.\r\n226 Abort ok.\r\n", 426,
       "Connection closed; transfer aborted.\r\n", true},
      {"450 then 225", "450 Transfer failed.\r\n225 Aborted.\r\n", 450, "Transfer failed.\r\n",
       true},
      {"450 alone", "450 Transfer failed.\r\n", 450, "Transfer failed.\r\n", false},
      {"426 then 550", "426 Broken.\r\n550 What?\r\n", 426, "Broken.\r\n", false},
      {"451", "451 Local error in processing.\r\n", 451, "Local error in processing.\r\n", true},
      {"550 after the data", "550 Gone.\r\n", 550, "Gone.\r\n", true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    FtpScriptServer server;
    server.On("RETR", [&](Session& session, const std::string&) {
      session.Send("150 Opening.\r\n");
      session.OpenData();
      session.SendData("part of a waybill");
      session.CloseData();
      session.Send(c.replies);
    });
    TFtpClient client;
    client.SetHost("127.0.0.1");
    client.SetPort(server.Port());
    client.SetPassive(GetParam());
    client.OpenSession();
    const std::string local = dir_.File(std::string(c.name) + ".dbf");
    try {
      client.FetchFile("w.dbf", local);
      FAIL() << "a broken transfer passed as complete";
    } catch (const EProtocolReplyError& error) {
      EXPECT_STREQ(c.message, error.what());
      EXPECT_EQ(c.code, error.ReplyCode());
    }
    EXPECT_EQ(nullptr, client.DataConnection());
    EXPECT_EQ(c.stays_in_step, client.IsConnected());
    if (c.stays_in_step) {
      EXPECT_EQ(-1, client.RemoteSize("none"));
    }
  }
}

TEST_P(TransferTest, RefusedRetrLeavesAnEmptyLocalFile) {
  client_.OpenSession();
  const std::string local = dir_.File("w.dbf");
  EXPECT_THAT([&] { client_.FetchFile("missing.dbf", local); },
              ThrowsMessage<EProtocolReplyError>(StrEq("No such file.\r\n")));
  EXPECT_TRUE(std::filesystem::exists(local));
  EXPECT_EQ("", ReadFile(local));
  EXPECT_EQ(nullptr, client_.DataConnection());
  EXPECT_TRUE(client_.IsConnected());
  // The session goes on in step with the server.
  server_.SetFile("w2.dbf", "ok");
  client_.FetchFile("w2.dbf", dir_.File("w2.dbf"));
  EXPECT_EQ("ok", ReadFile(dir_.File("w2.dbf")));
}

TEST_P(TransferTest, RefusedDataCommands) {
  struct Case {
    const char* verb;
    const char* reply;
    const char* message;
  };
  constexpr Case kCases[] = {
      {"PASV", "500 No passive mode.\r\n", "No passive mode.\r\n"},
      {"PORT", "500 No active mode.\r\n", "No active mode.\r\n"},
      {"STOR", "553 Could not create file.\r\n", "Could not create file.\r\n"},
  };
  WriteFile(dir_.File("order.dbf"), "order");
  for (const auto& c : kCases) {
    if (std::string(c.verb) == (GetParam() ? "PORT" : "PASV")) continue;
    SCOPED_TRACE(c.verb);
    FtpScriptServer server;
    server.OnReply(c.verb, c.reply);
    TFtpClient client;
    client.SetHost("127.0.0.1");
    client.SetPort(server.Port());
    client.SetPassive(GetParam());
    client.OpenSession();
    EXPECT_THAT([&] { client.StoreFile(dir_.File("order.dbf"), "order.dbf"); },
                ThrowsMessage<EProtocolReplyError>(StrEq(c.message)));
    EXPECT_EQ(nullptr, client.DataConnection());
    EXPECT_TRUE(client.IsConnected());
  }
}

TEST_P(TransferTest, LocalFileProblemsFailBeforeAnythingIsSent) {
  WriteFile(dir_.File("there.dbf"), "keep me");
  client_.OpenSession();
  EXPECT_THAT([&] { client_.FetchFile("w.dbf", dir_.File("there.dbf")); },
              ThrowsMessage<EFtpFileAlreadyExists>(StrEq("Destination file already exists.")));
  EXPECT_EQ("keep me", ReadFile(dir_.File("there.dbf")));
  const std::string no_dir = dir_.File("no-such-dir/w.dbf");
  EXPECT_THAT([&] { client_.FetchFile("w.dbf", no_dir); },
              ThrowsMessage<EStreamError>(
                  StrEq("Cannot create file \"" + no_dir + "\". No such file or directory")));
  const std::string missing = dir_.File("missing.dbf");
  EXPECT_THAT([&] { client_.StoreFile(missing, "missing.dbf"); },
              ThrowsMessage<EStreamError>(
                  StrEq("Cannot open file \"" + missing + "\". No such file or directory")));
  EXPECT_THAT([&] { client_.StoreFile(dir_.Path().string(), "dir.dbf"); },
              ThrowsMessage<EStreamError>(
                  StrEq("Cannot open file \"" + dir_.Path().string() + "\". Is a directory")));
  EXPECT_TRUE(Commands().empty());
}

TEST_P(TransferTest, StalledDataConnectionTimesOut) {
  client_.OpenSession();
  client_.SetStallLimit(kShortLimit);
  // 150, then neither a connection (active) nor any data (passive).
  server_.On("RETR", [](Session& session, const std::string&) {
    session.Send("150 Opening.\r\n");
    std::this_thread::sleep_for(2 * kShortLimit);
  });
  try {
    client_.FetchFile("w.dbf", dir_.File("w.dbf"));
    FAIL() << "no exception";
  } catch (const ESocketError& error) {
    EXPECT_STREQ("Socket Error # 10060\r\nConnection timed out.", error.what());
  }
  EXPECT_EQ(nullptr, client_.DataConnection());
  EXPECT_TRUE(client_.IsConnected());
}

TEST_P(TransferTest, TrickleBelowTheSpeedLimitFailsInBothDirections) {
  client_.OpenSession();
  client_.SetLowSpeedLimit(60, std::chrono::milliseconds(300));
  // One byte every 100 ms: each wait is short, the transfer far too slow.
  server_.On("RETR", FtpScriptServer::Trickle(Pattern(1000), 1, std::chrono::milliseconds(100)));
  EXPECT_THAT([&] { client_.FetchFile("w.dbf", dir_.File("w.dbf")); },
              ThrowsMessage<ESocketError>(StrEq("Socket Error # 10060\r\nConnection timed out.")));
  EXPECT_EQ(nullptr, client_.DataConnection());
  client_.CloseConnection();

  // A server that takes the order a few bytes at a time.
  server_.On("STOR", [](Session& session, const std::string&) {
    session.Send("150 Ok.\r\n");
    session.OpenData();
    session.Log("slow reader");
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    session.CloseData();
  });
  client_.OpenSession();
  WriteFile(dir_.File("big.dbf"), Pattern(64 << 20));
  EXPECT_THAT([&] { client_.StoreFile(dir_.File("big.dbf"), "big.dbf"); },
              ThrowsMessage<ESocketError>(StrEq("Socket Error # 10060\r\nConnection timed out.")));
}

TEST_P(TransferTest, CancelFromAnotherThreadEndsAWaitAtOnce) {
  client_.OpenSession();
  server_.On("RETR", FtpScriptServer::Trickle(Pattern(1000), 1, std::chrono::milliseconds(200)));
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    client_.Cancel();
  });
  EXPECT_THAT([&] { client_.FetchFile("w.dbf", dir_.File("w.dbf")); },
              ThrowsMessage<ECancelled>(StrEq("Operation cancelled.")));
  stopper.join();
  EXPECT_EQ(nullptr, client_.DataConnection());
  // Raised, it stops every command until cleared.
  EXPECT_THAT([&] { client_.ChangeRemoteDir("x"); },
              ThrowsMessage<ECancelled>(StrEq("Operation cancelled.")));
  client_.ClearCancel();
  client_.CloseConnection();
  client_.OpenSession();
  client_.ChangeRemoteDir("zayav");
}

TEST_P(TransferTest, DataGoesOnlyToTheServersHost) {
  server_.AnnouncePassiveAddress("127.0.0.2");
  server_.ConnectFromForeignHostFirst();
  server_.SetFile("w.dbf", "waybill");
  WriteFile(dir_.File("o.dbf"), "order");
  client_.OpenSession();
  client_.FetchFile("w.dbf", dir_.File("w.dbf"));
  client_.StoreFile(dir_.File("o.dbf"), "o.dbf");
  EXPECT_EQ("waybill", ReadFile(dir_.File("w.dbf")));
  EXPECT_EQ("order", server_.Stored("o.dbf"));
  const auto log = server_.Log();
  EXPECT_EQ(0, std::count(log.begin(), log.end(), "foreign address reached"));
  EXPECT_EQ(GetParam() ? 0 : 2, std::count(log.begin(), log.end(), "foreign host turned away"));
}

TEST_P(TransferTest, ListingLimits) {
  client_.OpenSession();
  client_.SetListingLimits(100, 3);
  std::vector<std::string> lines = {"kept"};
  struct Case {
    std::string listing;
    bool fits;
  };
  const Case kCases[] = {
      {"a\r\nb\r\nc\r\n", true},     {"a\r\nb\r\nc\r\nd", false},    {"\n\n\n\n", false},
      {std::string(100, 'x'), true}, {std::string(101, 'x'), false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.listing);
    server_.listing = c.listing;
    if (c.fits) {
      client_.ListNames(lines, "");
    } else {
      lines = {"kept"};
      EXPECT_THAT([&] { client_.ListNames(lines, ""); },
                  ThrowsMessage<EListingTooLarge>(StrEq("Name list too large.")));
      EXPECT_EQ(std::vector<std::string>{"kept"}, lines);
      // The rest of the listing and its reply are still under way.
      client_.CloseConnection();
      client_.OpenSession();
    }
  }
}

TEST_P(TransferTest, ProgressIsReportedByTheDataConnection) {
  struct Event {
    std::string kind;
    TWorkMode mode;
    int64_t count;
    bool operator==(const Event&) const = default;
  };
  std::vector<Event> events;
  const TNetComponent* senders_seen = nullptr;
  bool sender_was_session = false;
  client_.OnWorkBegin = [&](TNetComponent& sender, TWorkMode mode, int64_t max) {
    events.push_back({"begin", mode, max});
    senders_seen = &sender;
    sender_was_session |= &sender == &client_;
  };
  client_.OnWork = [&](TNetComponent& sender, TWorkMode mode, int64_t count) {
    events.push_back({"work", mode, count});
    sender_was_session |= &sender == &client_;
    EXPECT_EQ(client_.DataConnection(), &sender);
  };
  client_.OnWorkEnd = [&](TNetComponent& sender, TWorkMode mode) {
    events.push_back({"end", mode, 0});
    sender_was_session |= &sender == &client_;
  };
  server_.SetFile("empty.dbf", "");
  client_.OpenSession();
  EXPECT_TRUE(events.empty());  // commands report no progress

  client_.FetchFile("empty.dbf", dir_.File("empty.dbf"));
  EXPECT_EQ((std::vector<Event>{{"begin", wmRead, 0}, {"end", wmRead, 0}}), events);

  events.clear();
  WriteFile(dir_.File("up.dbf"), Pattern(70000));
  client_.StoreFile(dir_.File("up.dbf"), "up.dbf");
  ASSERT_GE(events.size(), 3u);
  EXPECT_EQ((Event{"begin", wmWrite, 70000}), events.front());
  EXPECT_EQ((Event{"end", wmWrite, 0}), events.back());
  EXPECT_EQ((Event{"work", wmWrite, 70000}), events[events.size() - 2]);
  for (size_t i = 2; i + 1 < events.size(); ++i) EXPECT_LT(events[i - 1].count, events[i].count);

  events.clear();
  server_.SetFile("big.dbf", Pattern(100000));
  client_.FetchFile("big.dbf", dir_.File("big.dbf"));
  EXPECT_EQ((Event{"begin", wmRead, 0}), events.front());
  EXPECT_EQ((Event{"work", wmRead, 100000}), events[events.size() - 2]);
  EXPECT_FALSE(sender_was_session);
  EXPECT_NE(nullptr, senders_seen);
}

INSTANTIATE_TEST_SUITE_P(Modes, TransferTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Passive" : "Active"; });

// Passive mode only: the order of commands and data connections, and the
// address the server names.

TEST(PassiveOrder, RetrConnectsBeforeTheCommand) {
  FtpScriptServer server;
  server.SetFile("w.dbf", "waybill");
  server.On("RETR", [](Session& session, const std::string&) {
    session.Log(session.DataPending() ? "connected before RETR" : "RETR before connecting");
    session.Send("150 Opening.\r\n");
    session.OpenData();
    session.SendData("waybill");
    session.CloseData();
    session.Send("226 Done.\r\n");
  });
  TFtpClient client;
  client.SetHost("127.0.0.1");
  client.SetPort(server.Port());
  client.SetPassive(true);
  TempDir dir;
  client.OpenSession();
  client.FetchFile("w.dbf", dir.File("w.dbf"));
  EXPECT_THAT(server.Log(), ::testing::Contains("connected before RETR"));
}

TEST(PassiveOrder, StorConnectsWithoutWaitingForThePreliminaryReply) {
  // Like several real servers: 150 comes only once the data connection has
  // arrived, so a client waiting for it before connecting would hang.
  FtpScriptServer server;
  server.On("STOR", [&](Session& session, const std::string&) {
    session.OpenData();
    session.Send("150 Ok to send data.\r\n");
    session.Log("stored " + session.ReceiveData());
    session.CloseData();
    session.Send("226 Transfer complete.\r\n");
  });
  TFtpClient client;
  client.SetHost("127.0.0.1");
  client.SetPort(server.Port());
  client.SetPassive(true);
  client.SetStallLimit(std::chrono::seconds(5));
  TempDir dir;
  WriteFile(dir.File("order.dbf"), "order");
  client.OpenSession();
  client.StoreFile(dir.File("order.dbf"), "order.dbf");
  EXPECT_THAT(server.Log(), ::testing::Contains("stored order"));
}

TEST(PassiveOrder, AddressWithoutParentheses) {
  FtpScriptServer server;
  server.SetFile("w.dbf", "waybill");
  server.On("PASV", [](Session& session, const std::string&) {
    std::string numbers = Pasv(session.OpenPassive());
    numbers = numbers.substr(1, numbers.size() - 2);
    session.Send("227 Entering Passive Mode " + numbers + "\r\n");
  });
  TFtpClient client;
  client.SetHost("127.0.0.1");
  client.SetPort(server.Port());
  client.SetPassive(true);
  TempDir dir;
  client.OpenSession();
  client.FetchFile("w.dbf", dir.File("w.dbf"));
  EXPECT_EQ("waybill", ReadFile(dir.File("w.dbf")));
}

TEST(PassiveOrder, BadPassiveReplies) {
  struct Case {
    const char* reply;
    const char* message;
  };
  constexpr Case kCases[] = {
      {"227 Entering Passive Mode (127,0,0,1,x,1)\r\n", "'x' is not a valid integer value"},
      {"227 Entering Passive Mode (127,0,0,1,999,1)\r\n",
       "Socket Error # 10049\r\nCannot assign requested address."},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.reply);
    FtpScriptServer server;
    server.OnReply("PASV", c.reply);
    TFtpClient client;
    client.SetHost("127.0.0.1");
    client.SetPort(server.Port());
    client.SetPassive(true);
    TempDir dir;
    client.OpenSession();
    try {
      client.FetchFile("w.dbf", dir.File("w.dbf"));
      FAIL() << "no exception";
    } catch (const std::runtime_error& error) {
      EXPECT_STREQ(c.message, error.what());
    }
    EXPECT_EQ(nullptr, client.DataConnection());
    EXPECT_TRUE(client.IsConnected());
  }
}

}  // namespace
}  // namespace zakaz::ftp
