// ftptool against the scripted server: operations in order, the session ended
// with ABOR and QUIT on success and on failure, exit codes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/file_bytes.h"
#include "support/ftp_script_server.h"
#include "support/temp_dir.h"

namespace {

using zakaz::testing::ReadFile;

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using zakaz::testing::FtpScriptServer;
using zakaz::testing::TempDir;

struct ToolRun {
  int exit_code;
  std::string out;
  std::string err;
};

ToolRun RunTool(const TempDir& dir, const std::vector<std::string>& args) {
  std::string command = "'" FTPTOOL_PATH "'";
  for (const auto& arg : args) {
    std::string quoted;
    for (char c : arg) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    command += " '" + quoted + "'";
  }
  command += " >'" + dir.File("out") + "' 2>'" + dir.File("err") + "'";
  const int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(dir.File("out")),
          ReadFile(dir.File("err"))};
}

// The tool does not wait for replies to ABOR and QUIT; give the server a
// moment to log them.
std::vector<std::string> LogEndingWith(FtpScriptServer& server, const std::string& last) {
  for (int i = 0; i < 500; ++i) {
    auto log = server.Log();
    if (!log.empty() && log.back() == last) return log;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return server.Log();
}

TEST(Ftptool, RunsOperationsInOrderThenAbortsAndQuits) {
  FtpScriptServer server;
  server.SetFile("price/1/price.rar", "packed");
  server.SetFile("old.dbf", "x");
  server.listing = "a.dbf\r\nb.dbf\r\n";
  TempDir dir;
  std::ofstream(dir.File("order.dbf")) << "order";
  const ToolRun run =
      RunTool(dir, {"127.0.0.1:" + std::to_string(server.Port()), "size", "price/1/price.rar",
                    "get", "price/1/price.rar", dir.File("price.rar"), "cd", "zayav", "put",
                    dir.File("order.dbf"), "order.dbf", "ls", "*.*", "rm", "old.dbf"});
  EXPECT_EQ(0, run.exit_code) << run.err;
  EXPECT_EQ("6\na.dbf\nb.dbf\n", run.out);
  EXPECT_EQ("packed", ReadFile(dir.File("price.rar")));
  EXPECT_EQ("order", server.Stored("order.dbf"));
  EXPECT_THAT(LogEndingWith(server, "QUIT"),
              ElementsAre("USER briolan", "PASS hG&4T!9K", "TYPE I", "SYST",
                          "SIZE price/1/price.rar", "PASV", "RETR price/1/price.rar",
                          "data connected", "CWD zayav", "PASV", "STOR order.dbf", "data connected",
                          "PASV", "NLST *.*", "data connected", "DELE old.dbf", "ABOR", "QUIT"));
}

TEST(Ftptool, ActiveModeAndAnotherAccount) {
  FtpScriptServer server;
  server.SetFile("w.dbf", "waybill");
  TempDir dir;
  const ToolRun run = RunTool(
      dir, {"--active", "--user", "support", "--password", "it's me",
            "localhost:" + std::to_string(server.Port()), "get", "w.dbf", dir.File("w.dbf")});
  EXPECT_EQ(0, run.exit_code) << run.err;
  const auto log = LogEndingWith(server, "QUIT");
  ASSERT_GE(log.size(), 5u);
  EXPECT_EQ("USER support", log[0]);
  EXPECT_EQ("PASS it's me", log[1]);
  EXPECT_THAT(log[4], MatchesRegex("PORT 127,0,0,1,[0-9]+,[0-9]+"));
  EXPECT_EQ("waybill", ReadFile(dir.File("w.dbf")));
}

TEST(Ftptool, FailurePrintsTheMessageAndStillEndsTheSession) {
  FtpScriptServer server;
  TempDir dir;
  const ToolRun run = RunTool(dir, {"127.0.0.1:" + std::to_string(server.Port()), "get",
                                    "missing.dbf", dir.File("w.dbf"), "rm", "never.dbf"});
  EXPECT_EQ(1, run.exit_code);
  EXPECT_THAT(run.err, EndsWith("No such file.\n"));
  const auto log = LogEndingWith(server, "QUIT");
  EXPECT_THAT(log, ::testing::Not(::testing::Contains("DELE never.dbf")));
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ((std::vector<std::string>{"ABOR", "QUIT"}),
            std::vector<std::string>(log.end() - 2, log.end()));
}

TEST(Ftptool, RefusedConnectionAndBadCommandLines) {
  int port = 0;
  {
    FtpScriptServer gone;
    port = gone.Port();
  }
  TempDir dir;
  const ToolRun refused = RunTool(dir, {"127.0.0.1:" + std::to_string(port), "cd", "zayav"});
  EXPECT_EQ(1, refused.exit_code);
  EXPECT_EQ("Socket Error # 10061\nConnection refused.\n", refused.err);
  for (const std::vector<std::string>& args : {std::vector<std::string>{"127.0.0.1"},
                                               {"127.0.0.1", "get", "only-one"},
                                               {"127.0.0.1:x", "cd", "a"},
                                               {"127.0.0.1", "mkdir", "a"},
                                               {"--bogus", "127.0.0.1", "cd", "a"}}) {
    SCOPED_TRACE(::testing::PrintToString(args));
    const ToolRun run = RunTool(dir, args);
    EXPECT_EQ(2, run.exit_code);
    EXPECT_THAT(run.err, HasSubstr("usage: ftptool"));
  }
}

}  // namespace
