// The control connection against a scripted loopback server: reading lines
// and replies, opening and ending a session, the single commands, time limits.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "ftp/errors.h"
#include "ftp/ftp_client.h"
#include "support/ftp_script_server.h"

namespace zakaz::ftp {
namespace {

using ::testing::ElementsAre;
using ::testing::StrEq;
using ::testing::ThrowsMessage;
using zakaz::testing::FtpScriptServer;
using Session = FtpScriptServer::Session;

// Long enough for any loopback round trip on a loaded machine, short enough
// to keep the time-limit tests quick.
constexpr std::chrono::milliseconds kShortLimit{500};

// A session set up for the scripted server.
void Aim(TFtpClient& client, const FtpScriptServer& server) {
  client.SetHost("127.0.0.1");
  client.SetPort(server.Port());
  client.SetUsername("briolan");
  client.SetPassword("secret");
}

// A plain connection that reads whatever the server sends as its greeting.
struct Reader {
  explicit Reader(const std::string& raw) {
    server.SetGreeting(raw);
    connection.SetHost("127.0.0.1");
    connection.SetPort(server.Port());
    connection.SetStallLimit(std::chrono::seconds(10));
    connection.Connect();
  }
  FtpScriptServer server;
  TTcpClient connection;
};

TEST(ReceiveReply, ReadsOneReplyPerCall) {
  struct Case {
    const char* raw;
    int code;
    std::vector<std::string> text;
  };
  const Case cases[] = {
      {"220-Welcome\r\n220 Ready\r\n", 220, {"Welcome", "Ready"}},
      {"\r\n   \r\n\t\r\n220 Ready\r\n", 220, {"Ready"}},
      {"220 Ready\n", 220, {"Ready"}},
      {"230-Hello\r\nSecond line\r\n230 Done\r\n", 230, {"Hello", "nd line", "Done"}},
      {"230-Hello\r\n\r\n230-Still\r\n230 Done\r\n", 230, {"Hello", "Still", "Done"}},
      {"220-Welcome\r\n22\r\n", 220, {"Welcome", ""}},
      {"226-Closing\r\n226 transfer ok\r\n", 226, {"Closing", "transfer ok"}},
      {"  213 48213  \r\n", 213, {"48213"}},
      {"abc\r\n", 0, {""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.raw);
    Reader reader(c.raw);
    EXPECT_EQ(c.code, reader.connection.ReceiveReply({}));
    EXPECT_EQ(c.text, reader.connection.LastReply().Text());
  }
}

TEST(ReceiveReply, CodeNotAcceptedFailsWithTheReplyText) {
  Reader reader("550-Not here\r\n550 Really not\r\n");
  try {
    reader.connection.ReceiveReply({250});
    FAIL() << "no exception";
  } catch (const EProtocolReplyError& error) {
    EXPECT_STREQ("Not here\r\nReally not\r\n", error.what());
    EXPECT_EQ(550, error.ReplyCode());
  }
  Reader odd("abc\r\n");
  EXPECT_THAT([&] { odd.connection.ReceiveReply({220}); },
              ThrowsMessage<EProtocolReplyError>(StrEq("\r\n")));
}

TEST(ReceiveLine, LongestLineAccepted) {
  struct Case {
    size_t characters;
    const char* ending;
    bool read;
  };
  constexpr Case kCases[] = {
      {16383, "\r\n", true}, {16384, "\n", true},    {16384, "\r\n", false},
      {16385, "\n", false},  {40000, "\r\n", false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::to_string(c.characters) + (c.ending[0] == '\r' ? " CR LF" : " LF"));
    const std::string line(c.characters, 'x');
    Reader reader(line + c.ending + "220 Next\r\n");
    if (c.read) {
      EXPECT_EQ(line, reader.connection.ReceiveLine());
      EXPECT_EQ("220 Next", reader.connection.ReceiveLine());
    } else {
      EXPECT_THAT([&] { reader.connection.ReceiveLine(); },
                  ThrowsMessage<EMaxLineLengthExceeded>(StrEq("Max line length exceeded.")));
    }
  }
}

TEST(ReceiveReply, EndlessSeveralLineReplyIsCutOff) {
  // 64 lines of the longest length are the most one reply may hold.
  const std::string line = "220-" + std::string(16000, 'x') + "\r\n";
  std::string within;
  for (int i = 0; i < 60; ++i) within += line;
  Reader reader(within + "220 End\r\n" + within + within);
  EXPECT_EQ(220, reader.connection.ReceiveReply({220}));
  EXPECT_EQ(61u, reader.connection.LastReply().Text().size());
  EXPECT_THAT([&] { reader.connection.ReceiveReply({220}); },
              ThrowsMessage<EMaxLineLengthExceeded>(StrEq("Max line length exceeded.")));
}

TEST(ReceiveReply, EndlessBlankLinesAreCutOffToo) {
  // Blank lines hold no text but cost time and traffic: they count.
  Reader flood(std::string((1 << 20) / 2, '\n') + "220 Hello\r\n");
  EXPECT_EQ(220, flood.connection.ReceiveReply({220}));
  Reader endless("220-Hello\r\n" + std::string((1 << 20) + 1, '\n') + "220 End\r\n");
  EXPECT_THAT([&] { endless.connection.ReceiveReply({220}); },
              ThrowsMessage<EMaxLineLengthExceeded>(StrEq("Max line length exceeded.")));
}

TEST(ReceiveLine, ManyShortLinesAcrossBufferCompaction) {
  std::string raw;
  for (int i = 0; i < 20000; ++i) raw += "200 line " + std::to_string(i) + "\r\n";
  Reader reader(raw);
  for (int i = 0; i < 20000; ++i) {
    ASSERT_EQ("200 line " + std::to_string(i), reader.connection.ReceiveLine());
  }
}

TEST(ReceiveLine, PeerClosingWhileAReplyIsAwaited) {
  for (const char* raw : {"", "220-First line\r\n", "220 no line end"}) {
    SCOPED_TRACE(raw);
    FtpScriptServer server;
    server.SetGreeting(raw);
    server.On("USER", [](Session& session, const std::string&) { session.CloseControl(); });
    TTcpClient connection;
    connection.SetHost("127.0.0.1");
    connection.SetPort(server.Port());
    connection.Connect();
    connection.SendLine("USER x");
    EXPECT_THAT([&] { connection.ReceiveReply({}); },
                ThrowsMessage<EConnClosedGracefully>(StrEq("Connection Closed Gracefully.")));
    EXPECT_FALSE(connection.IsConnected());
    EXPECT_THAT([&] { connection.SendLine("NOOP"); },
                ThrowsMessage<EConnClosedGracefully>(StrEq("Connection Closed Gracefully.")));
  }
}

TEST(SendLine, WithoutConnection) {
  TFtpClient client;
  EXPECT_FALSE(client.IsConnected());
  EXPECT_THAT([&] { client.SendLine("NOOP"); },
              ThrowsMessage<ENotConnected>(StrEq("Not Connected")));
}

TEST(SendLine, RefusesALineBreakAndSendsNothing) {
  FtpScriptServer server;
  TFtpClient client;
  Aim(client, server);
  client.OpenSession();
  for (const char* name : {"a.dbf\r\nDELE b.dbf", "a.dbf\nDELE b.dbf", "a.dbf\r", "\n"}) {
    SCOPED_TRACE(name);
    EXPECT_THAT([&] { client.RemoveRemoteFile(name); },
                ThrowsMessage<EInvalidCommandLine>(StrEq("Command line contains a line break.")));
  }
  // Nothing of the refused lines reached the server; the session is in step.
  EXPECT_TRUE(client.IsConnected());
  client.ChangeRemoteDir("zayav");
  EXPECT_THAT(server.Log(),
              ElementsAre("USER briolan", "PASS secret", "TYPE I", "SYST", "CWD zayav"));
}

TEST(OpenSession, LogsInAndSelectsTheType) {
  FtpScriptServer server;
  TFtpClient client;
  Aim(client, server);
  client.OpenSession();
  EXPECT_TRUE(client.IsConnected());
  EXPECT_THAT(server.Log(), ElementsAre("USER briolan", "PASS secret", "TYPE I", "SYST"));
}

TEST(OpenSession, AcceptedVariantsOfTheLogIn) {
  struct Case {
    const char* name;
    const char* verb;
    const char* reply;
    std::vector<std::string> log;
  };
  const Case cases[] = {
      {"user answered 230 sends no password",
       "USER",
       "230 Welcome.\r\n",
       {"USER briolan", "TYPE I", "SYST"}},
      {"syst answered 500",
       "SYST",
       "500 Unknown command.\r\n",
       {"USER briolan", "PASS secret", "TYPE I", "SYST"}},
      {"syst answered 200",
       "SYST",
       "200 Whatever.\r\n",
       {"USER briolan", "PASS secret", "TYPE I", "SYST"}},
      {"multi-line log-in reply",
       "PASS",
       "230-Hello\r\n230-There\r\n230 Logged in.\r\n",
       {"USER briolan", "PASS secret", "TYPE I", "SYST"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FtpScriptServer server;
    server.OnReply(c.verb, c.reply);
    TFtpClient client;
    Aim(client, server);
    client.OpenSession();
    EXPECT_TRUE(client.IsConnected());
    EXPECT_EQ(c.log, server.Log());
  }
}

TEST(OpenSession, MultiLineGreeting) {
  FtpScriptServer server;
  server.SetGreeting("220-Welcome\r\n220-to the\r\n220 server\r\n");
  TFtpClient client;
  Aim(client, server);
  client.OpenSession();
  EXPECT_THAT(server.Log(), ElementsAre("USER briolan", "PASS secret", "TYPE I", "SYST"));
}

TEST(OpenSession, FailureClosesTheConnection) {
  struct Case {
    const char* name;
    const char* greeting;
    const char* verb;
    const char* reply;
    const char* message;
  };
  constexpr Case kCases[] = {
      {"greeting 421", "421 Too many users.\r\n", "", "", "Too many users.\r\n"},
      {"refused log-in", "220 Ready\r\n", "PASS", "530 Login incorrect.\r\n",
       "Login incorrect.\r\n"},
      {"pass answered 202", "220 Ready\r\n", "PASS", "202 Not needed.\r\n", "Not needed.\r\n"},
      {"user answered 500", "220 Ready\r\n", "USER", "500 What?\r\n", "What?\r\n"},
      {"type refused", "220 Ready\r\n", "TYPE", "504 No binary.\r\n", "No binary.\r\n"},
      {"syst answered 502", "220 Ready\r\n", "SYST", "502 Not implemented.\r\n",
       "Not implemented.\r\n"},
      {"multi-line refusal", "220 Ready\r\n", "PASS", "530-Go\r\n530 away\r\n", "Go\r\naway\r\n"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    FtpScriptServer server;
    server.SetGreeting(c.greeting);
    if (*c.verb != '\0') server.OnReply(c.verb, c.reply);
    TFtpClient client;
    Aim(client, server);
    EXPECT_THAT([&] { client.OpenSession(); },
                ThrowsMessage<EProtocolReplyError>(StrEq(c.message)));
    EXPECT_FALSE(client.IsConnected());
  }
}

TEST(OpenSession, ConnectionRefused) {
  int port = 0;
  {
    FtpScriptServer server;  // a port that was free a moment ago and is closed now
    port = server.Port();
  }
  TFtpClient client;
  client.SetHost("LocalHost");
  client.SetPort(port);
  EXPECT_THAT([&] { client.OpenSession(); },
              ThrowsMessage<ESocketError>(StrEq("Socket Error # 10061\r\nConnection refused.")));
  EXPECT_FALSE(client.IsConnected());
}

TEST(OpenSession, StalledServerTimesOut) {
  struct Case {
    const char* name;
    const char* greeting;
    const char* silent_verb;
  };
  constexpr Case kCases[] = {
      {"no greeting", "", ""},
      {"half a greeting", "220-Welcome\r\n", ""},
      {"no answer to the password", "220 Ready\r\n", "PASS"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    FtpScriptServer server;
    server.SetGreeting(c.greeting);
    if (*c.silent_verb != '\0') server.On(c.silent_verb, [](Session&, const std::string&) {});
    TFtpClient client;
    Aim(client, server);
    client.SetStallLimit(kShortLimit);
    try {
      client.OpenSession();
      FAIL() << "no exception";
    } catch (const ESocketError& error) {
      EXPECT_STREQ("Socket Error # 10060\r\nConnection timed out.", error.what());
      EXPECT_EQ(10060, error.Code());
    }
    EXPECT_FALSE(client.IsConnected());
  }
}

TEST(OpenSession, StaleSessionFailsOnceThenOpens) {
  FtpScriptServer server;
  TFtpClient client;
  Aim(client, server);
  client.OpenSession();
  EXPECT_THAT([&] { client.OpenSession(); },
              ThrowsMessage<EAlreadyConnected>(StrEq("Already connected.")));
  EXPECT_FALSE(client.IsConnected());
  client.OpenSession();
  EXPECT_TRUE(client.IsConnected());
  // Two log-ins and no QUIT: the stale connection was dropped, not ended.
  EXPECT_THAT(server.Log(), ElementsAre("USER briolan", "PASS secret", "TYPE I", "SYST",
                                        "USER briolan", "PASS secret", "TYPE I", "SYST"));
}

TEST(OpenSession, SessionClosedByThePeerOpensAgain) {
  FtpScriptServer server;
  server.On("NOOP", [](Session& session, const std::string&) {
    session.Send("421 Closing.\r\n");
    session.CloseControl();
  });
  TFtpClient client;
  Aim(client, server);
  client.OpenSession();
  EXPECT_EQ(421, client.ExchangeCommand("NOOP", {}));
  EXPECT_THAT([&] { client.ReceiveReply({}); },
              ThrowsMessage<EConnClosedGracefully>(StrEq("Connection Closed Gracefully.")));
  client.OpenSession();
  EXPECT_TRUE(client.IsConnected());
}

TEST(EndSession, AbortAndQuitWithoutReadingReplies) {
  FtpScriptServer server;
  server.On("ABOR", [](Session&, const std::string&) {});
  server.On("QUIT", [](Session&, const std::string&) {});
  TFtpClient client;
  Aim(client, server);
  client.OpenSession();
  client.AbortTransfer();
  client.EndSession();
  EXPECT_FALSE(client.IsConnected());
  // A closed session sends nothing and does not fail.
  client.AbortTransfer();
  client.EndSession();
  client.CloseConnection();
  for (int i = 0; i < 200 && server.Log().size() < 6; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_THAT(server.Log(),
              ElementsAre("USER briolan", "PASS secret", "TYPE I", "SYST", "ABOR", "QUIT"));
}

TEST(Commands, LinesSentAndRepliesAccepted) {
  FtpScriptServer server;
  server.SetFile("price/1234/price.rar", std::string(48213, 'p'));
  server.SetFile("old.dbf", "x");
  TFtpClient client;
  Aim(client, server);
  client.OpenSession();
  client.ChangeRemoteDir("zayav");
  EXPECT_EQ(48213, client.RemoteSize("price/1234/price.rar"));
  EXPECT_EQ(-1, client.RemoteSize("missing.rar"));
  client.RemoveRemoteFile("old.dbf");
  EXPECT_THAT([&] { client.RemoveRemoteFile("old.dbf"); },
              ThrowsMessage<EProtocolReplyError>(StrEq("No such file.\r\n")));
  // A refused command leaves the session open.
  EXPECT_TRUE(client.IsConnected());
  EXPECT_THAT(server.Log(), ElementsAre("USER briolan", "PASS secret", "TYPE I", "SYST",
                                        "CWD zayav", "SIZE price/1234/price.rar",
                                        "SIZE missing.rar", "DELE old.dbf", "DELE old.dbf"));
}

TEST(Commands, RemoteSizeReadsOnly213) {
  struct Case {
    const char* reply;
    int64_t size;
  };
  constexpr Case kCases[] = {
      {"213 1234\r\n", 1234},
      {"213 48213\r\n", 48213},
      {"213 5000000000\r\n", 5000000000},
      {"213 abc\r\n", -1},
      {"213-File status\r\n213 77\r\n", -1},
      {"213 size is 99\r\n", -1},
      {"550 No such file.\r\n", -1},
      {"212 1234\r\n", -1},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.reply);
    FtpScriptServer server;
    server.OnReply("SIZE", c.reply);
    TFtpClient client;
    Aim(client, server);
    client.OpenSession();
    EXPECT_EQ(c.size, client.RemoteSize("price.rar"));
  }
}

TEST(Commands, ChangeRemoteDirAccepts200And250Only) {
  struct Case {
    const char* reply;
    const char* message;  // empty: accepted
  };
  constexpr Case kCases[] = {
      {"250 Directory changed.\r\n", ""},
      {"200 Ok.\r\n", ""},
      {"550 Failed to change directory.\r\n", "Failed to change directory.\r\n"},
      {"257 Odd.\r\n", "Odd.\r\n"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.reply);
    FtpScriptServer server;
    server.OnReply("CWD", c.reply);
    TFtpClient client;
    Aim(client, server);
    client.OpenSession();
    if (*c.message == '\0') {
      client.ChangeRemoteDir("nakl/1234");
    } else {
      EXPECT_THAT([&] { client.ChangeRemoteDir("nakl/1234"); },
                  ThrowsMessage<EProtocolReplyError>(StrEq(c.message)));
    }
    EXPECT_TRUE(client.IsConnected());
  }
}

TEST(Commands, TransferTypeIsSentOnlyWhenItChangesOnAnOpenSession) {
  FtpScriptServer server;
  TFtpClient client;
  Aim(client, server);
  client.SetTransferType(ftBinary);  // closed, unchanged: nothing
  client.OpenSession();
  client.SetTransferType(ftBinary);  // unchanged: nothing
  client.SetTransferType(ftASCII);
  client.SetTransferType(ftBinary);
  client.EndSession();
  client.SetTransferType(ftASCII);  // closed: only stored
  client.OpenSession();
  EXPECT_THAT(server.Log(),
              ElementsAre("USER briolan", "PASS secret", "TYPE I", "SYST", "TYPE A", "TYPE I",
                          "QUIT", "USER briolan", "PASS secret", "TYPE A", "SYST"));
}

TEST(Commands, StalledReplyTimesOutAndDropsTheConnection) {
  FtpScriptServer server;
  server.On("CWD", [](Session&, const std::string&) {});
  TFtpClient client;
  Aim(client, server);
  client.OpenSession();
  client.SetStallLimit(kShortLimit);
  EXPECT_THAT([&] { client.ChangeRemoteDir("zayav"); },
              ThrowsMessage<ESocketError>(StrEq("Socket Error # 10060\r\nConnection timed out.")));
  // A late reply would be taken for the next command's, so the connection is
  // gone and the next session opens without "Already connected.".
  EXPECT_FALSE(client.IsConnected());
  client.OpenSession();
  EXPECT_TRUE(client.IsConnected());
}

}  // namespace
}  // namespace zakaz::ftp
