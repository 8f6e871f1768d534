// The rules for names from a listing and for the supplier's address.
#include "exchange/remote_names.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace zakaz::exchange {
namespace {

using ::testing::ElementsAre;

TEST(IsWaybillName, OnlyBareDbfNames) {
  struct Case {
    std::string name;
    bool accepted;
  };
  const Case cases[] = {
      {"n1.dbf", true},        {"N1.DBF", true},      {"a b.Dbf", true},
      {"накладная.dbf", true}, {"", false},           {".", false},
      {"..", false},           {".dbf", false},       {".hidden.dbf", false},
      {"../x.dbf", false},     {"/etc/x.dbf", false}, {"sub/x.dbf", false},
      {"C:\\x.dbf", false},    {"..\\x.dbf", false},  {"c:x.dbf", false},
      {" x.dbf", false},       {"x.dbf ", false},     {"x.dbf\r", false},
      {"x\nx.dbf", false},     {"x\tx.dbf", false},   {std::string("x\0.dbf", 6), false},
      {"x\x7F.dbf", false},    {"x.txt", false},      {"x.dbf.txt", false},
      {"xdbf", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.accepted, IsWaybillName(c.name));
  }
}

TEST(WaybillNames, KeepsOrderAndDropsDuplicates) {
  EXPECT_THAT(WaybillNames({"b.dbf", "../a.dbf", "a.dbf", "b.dbf", "A.DBF"}),
              ElementsAre("b.dbf", "a.dbf", "A.DBF"));
}

TEST(ParseServerAddress, PortAfterTheLastColon) {
  struct Case {
    const char* text;
    const char* host;
    int port;
  };
  const Case cases[] = {
      {"ftp.example.net", "ftp.example.net", 21},
      {"127.0.0.1:2121", "127.0.0.1", 2121},
      {"host:65535", "host", 65535},
      {"host:0", "host:0", 21},
      {"host:65536", "host:65536", 21},
      {"host:", "host:", 21},
      {"host:21a", "host:21a", 21},
      {"host:-1", "host:-1", 21},
      {"", "", 21},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const auto [host, port] = ParseServerAddress(c.text);
    EXPECT_EQ(c.host, host);
    EXPECT_EQ(c.port, port);
  }
}

}  // namespace
}  // namespace zakaz::exchange
