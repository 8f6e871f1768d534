// The pure pieces of the protocol: reply lines, the PASV and PORT texts, name
// listings, host names and socket error texts.
#include <errno.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ftp/errors.h"
#include "ftp/ftp_client.h"
#include "ftp/rfc_reply.h"
#include "ftp/socket_stack.h"

namespace zakaz::ftp {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::StrEq;
using ::testing::ThrowsMessage;

TEST(RfcReply, CodeAndTextFromLines) {
  struct Case {
    std::vector<std::string> lines;
    int numeric;
    const char* text_code;
    std::vector<std::string> text;
  };
  const Case cases[] = {
      {{"220 Ready"}, 220, "220", {"Ready"}},
      {{"220-Welcome", "220 Ready"}, 220, "220", {"Welcome", "Ready"}},
      {{"230-Hello", "Second line", "230 Done"}, 230, "230", {"Hello", "nd line", "Done"}},
      {{"200"}, 200, "200", {""}},
      {{"abc"}, 0, "abc", {""}},
      {{"22 x"}, 0, "22 x", {""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lines.front());
    const TRfcReply reply = TRfcReply::FromLines(c.lines);
    EXPECT_EQ(c.numeric, reply.NumericCode());
    EXPECT_EQ(c.text_code, reply.TextCode());
    EXPECT_EQ(c.text, reply.Text());
  }
}

TEST(RfcReply, MultiLineClosing) {
  struct Case {
    const char* first;
    const char* line;
    bool closes;
  };
  constexpr Case kCases[] = {
      {"220-Welcome", "220 Ready", true},
      {"220-Welcome", "220-More", false},
      {"220-Welcome", "221 Other code", false},
      {"abc-Welcome", "ABC done", true},  // letter case does not matter
      {"220-Welcome", "22", true},        // a short line ends the reply
      {"220-Welcome", "Second line", false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.first) + " / " + c.line);
    EXPECT_TRUE(OpensMultiLineReply(c.first));
    EXPECT_EQ(c.closes, ClosesMultiLineReply(c.first, c.line));
  }
  EXPECT_FALSE(OpensMultiLineReply("220 Ready"));
  EXPECT_FALSE(OpensMultiLineReply("22-"));
}

TEST(RfcReply, TrimDropsBlanksAndControls) {
  EXPECT_EQ("220 Ready", TrimReplyLine(" \t220 Ready\r\x01 "));
  EXPECT_EQ("", TrimReplyLine("\t \r"));
  EXPECT_EQ("\xE0\xE1", TrimReplyLine(" \xE0\xE1 "));  // 8-bit letters stay
}

TEST(PassiveReply, AddressAndPort) {
  struct Case {
    const char* text;
    const char* address;
    int port;
  };
  constexpr Case kCases[] = {
      {"Entering Passive Mode (192,168,0,5,19,137)", "192.168.0.5", 5001},
      {"Entering Passive Mode (192,168,0,5,19,137).", "192.168.0.5", 5001},
      {"Entering Passive Mode 192,168,0,5,19,137", "192.168.0.5", 5001},
      {"192,168,0,5,19,137", "192.168.0.5", 5001},
      {"  Entering Passive Mode (127,0,0,1,0,21)  ", "127.0.0.1", 21},
      // The address is taken as the server gives it.
      {"=(10,x,0,1,1,0)", "10.x.0.1", 256},
      // A port no socket can have stays invalid instead of wrapping round.
      {"(127,0,0,1,300,0)", "127.0.0.1", -1},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    const auto [address, port] = ParsePassiveReply(c.text);
    EXPECT_EQ(c.address, address);
    EXPECT_EQ(c.port, port);
  }
}

TEST(PassiveReply, PortPartThatIsNoInteger) {
  struct Case {
    const char* text;
    const char* message;
  };
  constexpr Case kCases[] = {
      {"Entering Passive Mode (192,168,0,5,19,1x7)", "'1x7' is not a valid integer value"},
      {"Entering Passive Mode (192,168,0,5, 19,137)", "' 19' is not a valid integer value"},
      {"Entering Passive Mode (1,2,3,4,5)", "'' is not a valid integer value"},
      {"Entering Passive Mode", "'' is not a valid integer value"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_THAT([&] { ParsePassiveReply(c.text); }, ThrowsMessage<EConvertError>(StrEq(c.message)));
  }
}

TEST(PortCommand, AddressAndPortAsCommaSeparatedNumbers) {
  EXPECT_EQ("PORT 10,0,0,2,4,21", PortCommand("10.0.0.2", 1045));
  EXPECT_EQ("PORT 127,0,0,1,0,21", PortCommand("127.0.0.1", 21));
  EXPECT_EQ("PORT 127,0,0,1,255,255", PortCommand("127.0.0.1", 65535));
}

TEST(SplitListing, LinesEndAtCrLfOrBoth) {
  struct Case {
    const char* text;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"a.dbf\r\nb.dbf\r\n", {"a.dbf", "b.dbf"}},
      {"", {}},
      {"a.dbf", {"a.dbf"}},
      {"a\nb\rc\r\n", {"a", "b", "c"}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"\r\n", {""}},
      {" spaced name.dbf \n", {" spaced name.dbf "}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.lines, SplitListing(c.text));
  }
}

TEST(SocketStack, DottedQuadsAreAddressesAndEverythingElseAName) {
  struct Case {
    const char* text;
    bool address;
  };
  constexpr Case kCases[] = {
      {"127.0.0.1", true},  {"0.0.0.0", true},    {"255.255.255.255", true}, {"10.0.0.300", false},
      {"10.0.0", false},    {"10.0.0.1.", false}, {"10..0.1", false},        {"a.b.c.d", false},
      {"1.2.3.4.5", false}, {"", false},          {"-1.2.3.4", false},       {" 1.2.3.4", false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.address, TSocketStack::IsDottedQuad(c.text));
  }
}

TEST(SocketStack, LocalhostInAnyCaseNeedsNoLookup) {
  for (const char* name : {"localhost", "LOCALHOST", "LocalHost"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ("127.0.0.1", TSocketStack::LookUpHost(name));
  }
  EXPECT_EQ("192.168.0.5", TSocketStack::LookUpHost("192.168.0.5"));
}

TEST(SocketStack, EmptyHostIsNotFound) {
  EXPECT_THAT([] { TSocketStack::LookUpHost(""); },
              ThrowsMessage<ESocketError>(StrEq("Socket Error # 11001\r\nHost not found.")));
}

TEST(SocketStack, ErrorMessagesCarryTheWindowsSocketsCodes) {
  struct Case {
    int error;
    const char* message;
  };
  constexpr Case kCases[] = {
      {ECONNREFUSED, "Socket Error # 10061\r\nConnection refused."},
      {ETIMEDOUT, "Socket Error # 10060\r\nConnection timed out."},
      {ECONNRESET, "Socket Error # 10054\r\nConnection reset by peer."},
      {EPIPE, "Socket Error # 10058\r\nCannot send or receive after socket is closed."},
      {EADDRINUSE, "Socket Error # 10048\r\nAddress already in use."},
      {EHOSTUNREACH, "Socket Error # 10065\r\nNo route to host."},
      {EWOULDBLOCK, "Socket Error # 10035\r\nOperation would block. "},
      {ENOTEMPTY, "Socket Error # 10066\r\nDirectory not empty"},
      {ENOENT, "Socket Error # 2\r\n"},  // no counterpart: no text
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.message);
    const ESocketError error = TSocketStack::SocketError(TSocketStack::TranslateErrno(c.error));
    EXPECT_STREQ(c.message, error.what());
  }
}

}  // namespace
}  // namespace zakaz::ftp
