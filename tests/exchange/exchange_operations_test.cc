// The three exchange operations against a scripted loopback server: command
// sequences, status and final texts, the local file moves, and the faults a
// hostile or broken server can produce.
#include "exchange/exchange_operations.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "exchange/archive_bytes.h"
#include "exchange/errors.h"
#include "exchange/exchange_fixture.h"
#include "ftp/errors.h"
#include "support/ftp_script_server.h"
#include "support/poll.h"

namespace zakaz::exchange {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using ::testing::StrEq;
using ::testing::ThrowsMessage;
using zakaz::testing::ExchangeBench;
using zakaz::testing::FtpScriptServer;
using zakaz::testing::Names;
using zakaz::testing::ReadFile;
using zakaz::testing::WriteFile;
using Session = FtpScriptServer::Session;

// The control lines the server received, without its data-connection notes.
// The session never waits for the answer to QUIT, so the server may still be
// reading it when the operation returns.
std::vector<std::string> Commands(FtpScriptServer& server) {
  std::vector<std::string> commands;
  testing::PollUntil(
      [&] {
        commands.clear();
        for (const std::string& line : server.Log()) {
          if (line != "data connected") commands.push_back(line);
        }
        return !commands.empty() && commands.back() == "QUIT";
      },
      std::chrono::seconds(2));
  return commands;
}

std::vector<std::string> LogIn() { return {"USER briolan", "PASS secret", "TYPE I", "SYST"}; }

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// A RETR that sends `bytes` whatever was asked, then `final_replies`.
FtpScriptServer::Handler SendsThenSays(std::string bytes, std::string final_replies) {
  return [bytes, final_replies](Session& session, const std::string&) {
    session.Send("150 Opening.\r\n");
    session.OpenData();
    session.SendData(bytes);
    session.CloseData();
    session.Send(final_replies);
  };
}

class ExchangeTest : public ::testing::Test {
 protected:
  ExchangeTest() : bench_("127.0.0.1:" + std::to_string(server_.Port())) {}

  void AddOrders(const std::vector<std::string>& names) {
    for (const std::string& name : names) WriteFile(bench_.Demand() / name, "order " + name);
  }

  FtpScriptServer server_;
  ExchangeBench bench_;
  TExchangeOperations& operations_ = bench_.operations;
  std::vector<std::string>& shown_ = bench_.prompts.shown;
};

// ---- Price list.

TEST_F(ExchangeTest, PriceListIsFetchedWithOneAbortAndQuit) {
  const std::string archive = testing::Zip({{"PRICE.DBF", "table bytes", {}}});
  server_.SetFile("price/1234/price.rar", archive);
  WriteFile(bench_.In() / "price.rar", "an old archive");
  operations_.FetchPriceList();
  EXPECT_EQ(archive, ReadFile(bench_.In() / "price.rar"));
  EXPECT_THAT(Names(bench_.In()), ElementsAre("price.rar"));
  EXPECT_EQ(Concat(LogIn(), {"SIZE price/1234/price.rar", "PASV", "RETR price/1234/price.rar",
                             "ABOR", "QUIT"}),
            Commands(server_));
  EXPECT_THAT(bench_.statuses, ElementsAre("Соединение с сервером установлено!!!",
                                           "Соединение с сервером завершено!!!"));
  EXPECT_THAT(bench_.maxima, ElementsAre(static_cast<int64_t>(archive.size())));
  // No script in the working directory: the program unpacked it itself.
  EXPECT_THAT(shown_, ElementsAre("Warning: Прайс получен !!!"));
  EXPECT_EQ("table bytes", ReadFile(bench_.dir.Path() / "price.DBF"));
}

TEST_F(ExchangeTest, EmptyClientCodeGivesTwoSlashesAndTheBareWaybillDirectory) {
  bench_.settings.client_code = "";
  server_.SetFile("price//price.rar", testing::Zip({{"price.dbf", "t", {}}}));
  operations_.FetchPriceList();
  operations_.FetchWaybills();
  const auto commands = Commands(server_);
  EXPECT_EQ("SIZE price//price.rar", commands[4]);
  EXPECT_EQ("CWD nakl/", commands[13]);
  EXPECT_EQ("Warning: Скачено 0  накладных ", shown_.back());
}

TEST_F(ExchangeTest, PriceListWithoutSizeRunsABusyBar) {
  server_.SetFile("price/1234/price.rar", testing::Zip({{"price.dbf", "t", {}}}));
  server_.OnReply("SIZE", "550 SIZE not allowed in ASCII mode.\r\n");
  operations_.FetchPriceList();
  EXPECT_THAT(bench_.maxima, ElementsAre(-1));
  EXPECT_EQ("Warning: Прайс получен !!!", shown_.front());
}

TEST_F(ExchangeTest, FailedPriceFetchEndsTheSessionAndLeavesNoArchive) {
  WriteFile(bench_.In() / "price.rar", "an old archive");
  EXPECT_THAT([&] { operations_.FetchPriceList(); },
              ThrowsMessage<ftp::EProtocolReplyError>(StrEq("No such file.\r\n")));
  EXPECT_EQ(Concat(LogIn(), {"SIZE price/1234/price.rar", "PASV", "RETR price/1234/price.rar",
                             "ABOR", "QUIT"}),
            Commands(server_));
  EXPECT_THAT(Names(bench_.In()), IsEmpty());
  EXPECT_THAT(shown_, IsEmpty());
}

TEST_F(ExchangeTest, LyingTransferCompleteOnThePriceListKeepsNoTruncatedArchive) {
  const std::string archive(4000, 'r');
  server_.SetFile("price/1234/price.rar", archive);
  server_.On("RETR", SendsThenSays(archive.substr(0, 1000), "226 Transfer complete.\r\n"));
  EXPECT_THAT([&] { operations_.FetchPriceList(); },
              ThrowsMessage<EExchangeError>(
                  StrEq("Файл price/1234/price.rar передан не полностью: 1000 байт вместо 4000. "
                        "Повторите обмен.")));
  EXPECT_THAT(Names(bench_.In()), IsEmpty());
  EXPECT_EQ("QUIT", Commands(server_).back());
}

TEST_F(ExchangeTest, DamagedArchiveKeepsTheOldPriceListAndSaysWhy) {
  server_.SetFile("price/1234/price.rar", "not an archive at all");
  WriteFile(bench_.dir.Path() / "price.DBF", "the old list");
  operations_.FetchPriceList();
  ASSERT_EQ(2u, shown_.size());
  EXPECT_EQ("Warning: Прайс получен !!!", shown_[0]);
  EXPECT_THAT(shown_[1], ::testing::StartsWith(
                             "Warning: Прайс не распакован, оставлен прежний: архив повреждён ("));
  EXPECT_EQ("the old list", ReadFile(bench_.dir.Path() / "price.DBF"));
}

// ---- Orders.

TEST_F(ExchangeTest, NoPendingOrdersStillChangesToTheOrderDirectory) {
  operations_.SendOrders();
  EXPECT_EQ(Concat(LogIn(), {"CWD zayav", "ABOR", "QUIT"}), Commands(server_));
  EXPECT_THAT(bench_.statuses, ElementsAre("Соединение с сервером завершено!!!"));
  EXPECT_THAT(shown_, ElementsAre("Warning: Отправлено  0  заявок"));
}

TEST_F(ExchangeTest, ThreeOrdersAreStoredMarkedAndArchived) {
  AddOrders({"1234A001.dbf", "1234A002.DBF", ".1234A003.dbf"});
  WriteFile(bench_.Demand() / "notes.txt", "not an order");
  WriteFile(bench_.Demand() / "two\nlines.dbf", "cannot go out as one command");
  fs::permissions(bench_.Demand() / "1234A002.DBF", fs::perms::owner_read);
  operations_.SendOrders();
  EXPECT_EQ(Concat(LogIn(), {"CWD zayav", "PASV", "STOR .1234A003.dbf", "SIZE .1234A003.dbf",
                             "PASV", "STOR 1234A001.dbf", "SIZE 1234A001.dbf", "PASV",
                             "STOR 1234A002.DBF", "SIZE 1234A002.DBF", "ABOR", "QUIT"}),
            Commands(server_));
  EXPECT_EQ("order 1234A001.dbf", server_.Stored("1234A001.dbf"));
  EXPECT_EQ("order 1234A002.DBF", server_.Stored("1234A002.DBF"));
  EXPECT_THAT(bench_.statuses, ElementsAre("Ждите, идет отправка файла !", "Отправлено  1 заявки !",
                                           "Ждите, идет отправка файла !", "Отправлено  2 заявки !",
                                           "Ждите, идет отправка файла !", "Отправлено  3 заявки !",
                                           "Соединение с сервером завершено!!!"));
  EXPECT_THAT(shown_, ElementsAre("Warning: Отправлено  3  заявок"));
  EXPECT_THAT(Names(bench_.Demand()), ElementsAre("notes.txt", "two\nlines.dbf"));
  EXPECT_THAT(Names(bench_.Temp()), IsEmpty());
  EXPECT_THAT(Names(bench_.Archive()),
              ElementsAre(".1234A003.dbf", "1234A001.dbf", "1234A002.DBF"));
  EXPECT_EQ("order 1234A001.dbf", ReadFile(bench_.Archive() / "1234A001.dbf"));
}

TEST_F(ExchangeTest, ArchivedNameTakenGivesAVariantAndLosesNothing) {
  AddOrders({"a.dbf"});
  WriteFile(bench_.Archive() / "a.dbf", "sent last month");
  WriteFile(bench_.Archive() / "a_1.dbf", "sent last week");
  operations_.SendOrders();
  EXPECT_EQ("sent last month", ReadFile(bench_.Archive() / "a.dbf"));
  EXPECT_EQ("sent last week", ReadFile(bench_.Archive() / "a_1.dbf"));
  EXPECT_EQ("order a.dbf", ReadFile(bench_.Archive() / "a_2.dbf"));
  EXPECT_THAT(Names(bench_.Demand()), IsEmpty());
}

TEST_F(ExchangeTest, WithoutAnArchiveTheOrderStaysPendingAndTheMessageSaysSo) {
  AddOrders({"a.dbf", "b.dbf"});
  fs::remove(bench_.Archive());
  operations_.SendOrders();
  EXPECT_THAT(shown_, ElementsAre("Warning: Отправлено  2  заявок\r\nНе удалось перенести в "
                                  "архив, заявки остаются к отправке: a.dbf, b.dbf"));
  EXPECT_THAT(Names(bench_.Demand()), ElementsAre("a.dbf", "b.dbf"));
  EXPECT_THAT(Names(bench_.Temp()), ElementsAre("a.dbf", "b.dbf"));
}

TEST_F(ExchangeTest, The256thOrderShowsZero) {
  std::vector<std::string> names;
  for (int i = 0; i < 256; ++i) names.push_back("o" + std::to_string(1000 + i) + ".dbf");
  AddOrders(names);
  operations_.SendOrders();
  EXPECT_EQ("Отправлено  255 заявки !", bench_.statuses[bench_.statuses.size() - 4]);
  EXPECT_EQ("Отправлено  0 заявки !", bench_.statuses[bench_.statuses.size() - 2]);
  EXPECT_THAT(shown_, ElementsAre("Warning: Отправлено  0  заявок"));
  EXPECT_EQ(256u, Names(bench_.Archive()).size());
}

TEST_F(ExchangeTest, DroppedConnectionKeepsMarkersAndTheNextSendArchivesEachOnce) {
  AddOrders({"a.dbf", "b.dbf", "c.dbf"});
  int stores = 0;
  server_.On("STOR", [&](Session& session, const std::string& name) {
    session.Send("150 Ok.\r\n");
    session.OpenData();
    const std::string bytes = session.ReceiveData();
    session.CloseData();
    if (++stores == 3) {
      session.CloseControl();
      return;
    }
    server_.SetFile(name, bytes);
    session.Send("226 Done.\r\n");
  });
  EXPECT_THAT([&] { operations_.SendOrders(); },
              ThrowsMessage<ftp::EConnClosedGracefully>(StrEq("Connection Closed Gracefully.")));
  EXPECT_THAT(Names(bench_.Temp()), ElementsAre("a.dbf", "b.dbf"));
  EXPECT_THAT(Names(bench_.Demand()), ElementsAre("a.dbf", "b.dbf", "c.dbf"));
  EXPECT_THAT(Names(bench_.Archive()), IsEmpty());
  EXPECT_THAT(shown_, IsEmpty());

  operations_.SendOrders();
  EXPECT_THAT(shown_, ElementsAre("Warning: Отправлено  3  заявок"));
  EXPECT_THAT(Names(bench_.Archive()), ElementsAre("a.dbf", "b.dbf", "c.dbf"));
  EXPECT_THAT(Names(bench_.Demand()), IsEmpty());
  EXPECT_THAT(Names(bench_.Temp()), IsEmpty());
}

TEST_F(ExchangeTest, MarkersLeftByAKilledSendAreArchivedOnlyWithTheirOrders) {
  // Killed between the two passes: two orders went out and have markers; a
  // marker whose order has gone since stays untouched.
  AddOrders({"a.dbf", "b.dbf", "c.dbf"});
  WriteFile(bench_.Temp() / "a.dbf", "order a.dbf");
  WriteFile(bench_.Temp() / "b.dbf", "order b.dbf");
  WriteFile(bench_.Temp() / "gone.dbf", "order gone.dbf");
  operations_.SendOrders();
  EXPECT_THAT(shown_, ElementsAre("Warning: Отправлено  3  заявок"));
  EXPECT_THAT(Names(bench_.Archive()), ElementsAre("a.dbf", "b.dbf", "c.dbf"));
  EXPECT_THAT(Names(bench_.Temp()), ElementsAre("gone.dbf"));
}

TEST_F(ExchangeTest, LyingTransferCompleteOnAnOrderWritesNoMarker) {
  AddOrders({"a.dbf"});
  server_.On("STOR", [&](Session& session, const std::string& name) {
    session.Send("150 Ok.\r\n");
    session.OpenData();
    server_.SetFile(name, session.ReceiveData().substr(0, 3));
    session.CloseData();
    session.Send("226 Done.\r\n");
  });
  EXPECT_THAT([&] { operations_.SendOrders(); },
              ThrowsMessage<EExchangeError>(
                  StrEq("Файл a.dbf передан не полностью: 3 байт вместо 11. Повторите обмен.")));
  EXPECT_THAT(Names(bench_.Temp()), IsEmpty());
  EXPECT_THAT(Names(bench_.Demand()), ElementsAre("a.dbf"));
}

TEST_F(ExchangeTest, FailedSendThenPriceListSaysAlreadyConnectedOnce) {
  AddOrders({"a.dbf"});
  server_.OnReply("STOR", "553 Could not create file.\r\n");
  server_.SetFile("price/1234/price.rar", testing::Zip({{"price.dbf", "t", {}}}));
  EXPECT_THAT([&] { operations_.SendOrders(); },
              ThrowsMessage<ftp::EProtocolReplyError>(StrEq("Could not create file.\r\n")));
  EXPECT_THAT([&] { operations_.FetchPriceList(); },
              ThrowsMessage<ftp::EAlreadyConnected>(StrEq("Already connected.")));
  operations_.FetchPriceList();
  EXPECT_THAT(shown_, ElementsAre("Warning: Прайс получен !!!"));
  EXPECT_THAT(Names(bench_.Demand()), ElementsAre("a.dbf"));
}

TEST_F(ExchangeTest, ServerHangingUpAfterTheLastReplyDoesNotFailTheSend) {
  AddOrders({"a.dbf"});
  server_.On("STOR", [&](Session& session, const std::string& name) {
    session.Send("150 Ok.\r\n");
    session.OpenData();
    server_.SetFile(name, session.ReceiveData());
    session.CloseData();
    session.Send("226 Done.\r\n");
    session.CloseControl();
  });
  operations_.SendOrders();
  EXPECT_THAT(shown_, ElementsAre("Warning: Отправлено  1  заявок"));
  EXPECT_THAT(Names(bench_.Archive()), ElementsAre("a.dbf"));
  EXPECT_FALSE(operations_.Session().IsConnected());
}

// ---- Waybills.

TEST_F(ExchangeTest, WaybillsAreFetchedThenDeleted) {
  server_.listing = "n1.dbf\r\nN2.DBF\r\n";
  server_.SetFile("n1.dbf", "waybill one");
  server_.SetFile("N2.DBF", "waybill two");
  std::vector<std::string> memo;
  operations_.OnNames = [&](const std::vector<std::string>& names) { memo = names; };
  operations_.FetchWaybills();
  EXPECT_EQ(Concat(LogIn(), {"CWD nakl/1234", "PASV", "NLST *.*", "SIZE n1.dbf", "PASV",
                             "RETR n1.dbf", "DELE n1.dbf", "SIZE N2.DBF", "PASV", "RETR N2.DBF",
                             "DELE N2.DBF", "ABOR", "QUIT"}),
            Commands(server_));
  EXPECT_THAT(memo, ElementsAre("n1.dbf", "N2.DBF"));
  EXPECT_EQ("waybill one", ReadFile(bench_.In() / "n1.dbf"));
  EXPECT_EQ("waybill two", ReadFile(bench_.In() / "N2.DBF"));
  EXPECT_THAT(bench_.statuses,
              ElementsAre("Соединение с сервером установлено!!!", "Скачено накладных -  1",
                          "Скачено накладных -  2", "Соединение с сервером завершено!!!"));
  EXPECT_THAT(shown_, ElementsAre("Warning: Скачено 2  накладных "));
}

TEST_F(ExchangeTest, HostileNamesAreNeitherFetchedNorDeleted) {
  server_.listing =
      "../x.dbf\r\n/etc/x.dbf\r\nC:\\x.dbf\r\nc:x.dbf\r\nsub/x.dbf\r\n..\r\n.\r\n.x.dbf\r\n"
      " x.dbf\r\nx.dbf \r\nx.txt\r\n.dbf\r\nx\x01.dbf\r\nx\tx.dbf\r\n\r\nok.dbf\r\nok.dbf\r\n";
  server_.SetFile("ok.dbf", "fine");
  for (const char* name : {"../x.dbf", "/etc/x.dbf", "sub/x.dbf", ".x.dbf"}) {
    server_.SetFile(name, "must not arrive");
  }
  operations_.FetchWaybills();
  std::vector<std::string> transfers;
  for (const std::string& line : Commands(server_)) {
    if (line.rfind("RETR", 0) == 0 || line.rfind("DELE", 0) == 0) transfers.push_back(line);
  }
  EXPECT_THAT(transfers, ElementsAre("RETR ok.dbf", "DELE ok.dbf"));
  EXPECT_THAT(Names(bench_.In()), ElementsAre("ok.dbf"));
  EXPECT_THAT(Names(bench_.dir.Path()), ElementsAre("archive", "demand", "in", "temp"));
  EXPECT_THAT(shown_, ElementsAre("Warning: Скачено 1  накладных "));
}

TEST_F(ExchangeTest, RefusedNameListMaskListsAgainBare) {
  server_.On("NLST", [&](Session& session, const std::string& mask) {
    if (!mask.empty()) {
      session.CloseData();
      session.Send("550 No files found.\r\n");
      return;
    }
    session.Send("150 Here.\r\n");
    session.OpenData();
    session.SendData("a.dbf\r\n");
    session.CloseData();
    session.Send("226 Done.\r\n");
  });
  server_.SetFile("a.dbf", "A");
  operations_.FetchWaybills();
  const auto commands = Commands(server_);
  EXPECT_EQ(std::vector<std::string>(commands.begin() + 5, commands.begin() + 9),
            (std::vector<std::string>{"PASV", "NLST *.*", "PASV", "NLST"}));
  EXPECT_THAT(shown_, ElementsAre("Warning: Скачено 1  накладных "));
}

TEST_F(ExchangeTest, ShortWaybillStaysOnTheServer) {
  server_.listing = "a.dbf\r\n";
  server_.SetFile("a.dbf", std::string(100, 'w'));
  server_.On("RETR", SendsThenSays(std::string(50, 'w'), "226 Transfer complete.\r\n"));
  EXPECT_THAT([&] { operations_.FetchWaybills(); },
              ThrowsMessage<EExchangeError>(
                  StrEq("Файл a.dbf передан не полностью: 50 байт вместо 100. Повторите обмен.")));
  EXPECT_THAT(Names(bench_.In()), IsEmpty());
  for (const std::string& line : server_.Log()) EXPECT_NE("DELE a.dbf", line);
}

TEST_F(ExchangeTest, BrokenWaybillTransferIsNotDeletedAndTheSessionStaysInStep) {
  server_.listing = "a.dbf\r\n";
  server_.On("RETR", SendsThenSays("part",
                                   "426 Connection closed; transfer aborted.\r\n"
                                   "226 Abort successful.\r\n"));
  EXPECT_THAT(
      [&] { operations_.FetchWaybills(); },
      ThrowsMessage<ftp::ETransferAborted>(StrEq("Connection closed; transfer aborted.\r\n")));
  EXPECT_THAT(Names(bench_.In()), IsEmpty());
  EXPECT_TRUE(operations_.Session().IsConnected());
  EXPECT_EQ(-1, operations_.Session().RemoteSize("x"));
}

TEST_F(ExchangeTest, RefusedWaybillIsSkippedAndTheRestFetched) {
  server_.listing = "gone.dbf\r\ndir.dbf\r\nb.dbf\r\n";
  server_.SetFile("b.dbf", "B");
  operations_.FetchWaybills();
  EXPECT_THAT(Names(bench_.In()), ElementsAre("b.dbf"));
  EXPECT_THAT(shown_,
              ElementsAre("Warning: Скачено 1  накладных \r\nНе получены: gone.dbf, dir.dbf"));
}

TEST_F(ExchangeTest, StalledServerEndsTheOperationAndTheNextOneWorks) {
  operations_.Session().SetStallLimit(std::chrono::milliseconds(1000));
  server_.listing = "a.dbf\r\n";
  server_.SetFile("a.dbf", "A");
  bool stall = true;
  server_.On("NLST", [&](Session& session, const std::string&) {
    if (stall) {
      stall = false;
      std::this_thread::sleep_for(std::chrono::milliseconds(2500));
      return;
    }
    session.Send("150 Here.\r\n");
    session.OpenData();
    session.SendData("a.dbf\r\n");
    session.CloseData();
    session.Send("226 Done.\r\n");
  });
  EXPECT_THAT(
      [&] { operations_.FetchWaybills(); },
      ThrowsMessage<ftp::ESocketError>(StrEq("Socket Error # 10060\r\nConnection timed out.")));
  // The server answers again once its stall is over.
  operations_.Session().SetStallLimit(std::chrono::seconds(10));
  operations_.FetchWaybills();
  EXPECT_THAT(shown_, ElementsAre("Warning: Скачено 1  накладных "));
}

// ---- Both modes.

class ExchangeModeTest : public ExchangeTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ExchangeModeTest, DataConnectionsFollowTheMode) {
  bench_.settings.passive = GetParam();
  AddOrders({"a.dbf"});
  server_.listing = "n.dbf\r\n";
  server_.SetFile("n.dbf", "waybill");
  server_.SetFile("price/1234/price.rar", testing::Zip({{"price.dbf", "t", {}}}));
  operations_.FetchPriceList();
  operations_.SendOrders();
  operations_.FetchWaybills();
  int data_set_ups = 0;
  for (const std::string& line : Commands(server_)) {
    if (line == "PASV" || line.rfind("PORT ", 0) == 0) {
      ++data_set_ups;
      EXPECT_EQ(GetParam(), line == "PASV");
    }
  }
  EXPECT_EQ(4, data_set_ups);
  EXPECT_EQ("order a.dbf", server_.Stored("a.dbf"));
  EXPECT_EQ("waybill", ReadFile(bench_.In() / "n.dbf"));
}

INSTANTIATE_TEST_SUITE_P(Modes, ExchangeModeTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Passive" : "Active"; });

}  // namespace
}  // namespace zakaz::exchange
