// The three exchange operations against a scripted loopback server: command
// sequences, status and final texts, the local file moves, and the faults a
// hostile or broken server can produce.
#include "exchange/exchange_operations.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "exchange/archive_bytes.h"
#include "exchange/errors.h"
#include "exchange/exchange_fixture.h"
#include "exchange/remote_names.h"
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
  server_.On("RETR",
             FtpScriptServer::ShortTransfer(archive.substr(0, 1000), "226 Transfer complete.\r\n"));
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
  server_.On("RETR",
             FtpScriptServer::ShortTransfer(std::string(50, 'w'), "226 Transfer complete.\r\n"));
  EXPECT_THAT([&] { operations_.FetchWaybills(); },
              ThrowsMessage<EExchangeError>(
                  StrEq("Файл a.dbf передан не полностью: 50 байт вместо 100. Повторите обмен.")));
  EXPECT_THAT(Names(bench_.In()), IsEmpty());
  for (const std::string& line : server_.Log()) EXPECT_NE("DELE a.dbf", line);
}

TEST_F(ExchangeTest, BrokenWaybillTransferIsNotDeletedAndTheSessionStaysInStep) {
  server_.listing = "a.dbf\r\n";
  server_.On("RETR", FtpScriptServer::ShortTransfer("part",
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

// ---- What the server may do to the integrity of the exchange.

// A table file whose header announces `records` records of `record_length`
// bytes after a header of `header_length`, cut or padded to `size` bytes.
std::string Table(uint32_t records, uint16_t header_length, uint16_t record_length, size_t size) {
  std::string bytes(size, 'f');
  const unsigned char head[12] = {0x03,
                                  126,
                                  12,
                                  11,
                                  static_cast<unsigned char>(records),
                                  static_cast<unsigned char>(records >> 8),
                                  static_cast<unsigned char>(records >> 16),
                                  static_cast<unsigned char>(records >> 24),
                                  static_cast<unsigned char>(header_length),
                                  static_cast<unsigned char>(header_length >> 8),
                                  static_cast<unsigned char>(record_length),
                                  static_cast<unsigned char>(record_length >> 8)};
  for (size_t i = 0; i < 12 && i < size; ++i) bytes[i] = static_cast<char>(head[i]);
  return bytes;
}

std::vector<std::string> Starting(FtpScriptServer& server, const std::string& prefix) {
  std::vector<std::string> lines;
  for (const std::string& line : Commands(server)) {
    if (line.rfind(prefix, 0) == 0) lines.push_back(line);
  }
  return lines;
}

TEST_F(ExchangeTest, WithoutSizeAWaybillShorterThanItsHeaderStaysOnTheServer) {
  // SIZE refused, as it may be: only the price list's size is required.
  server_.OnReply("SIZE", "502 Command not implemented.\r\n");
  const std::string whole = Table(20, 1025, 61, 1025 + 20 * 61);
  server_.listing = "n1.dbf\r\nn2.dbf\r\nn3.dbf\r\n";
  server_.SetFile("n1.dbf", whole.substr(0, 1000));  // 1,000 bytes and then a 226
  server_.SetFile("n2.dbf", whole);
  // Longer than announced, odd bytes in the fields: it still arrives.
  server_.SetFile("n3.dbf", Table(1, 65, 10, 200));
  WriteFile(bench_.In() / "n1.dbf", "last week's n1");
  operations_.FetchWaybills();
  EXPECT_THAT(shown_, ElementsAre("Warning: Скачено 2  накладных \r\nНе получены: n1.dbf"));
  EXPECT_EQ("last week's n1", ReadFile(bench_.In() / "n1.dbf"));
  EXPECT_EQ(whole, ReadFile(bench_.In() / "n2.dbf"));
  EXPECT_THAT(Names(bench_.In()), ElementsAre("n1.dbf", "n2.dbf", "n3.dbf"));
  EXPECT_THAT(Starting(server_, "DELE"), ElementsAre("DELE n2.dbf", "DELE n3.dbf"));
}

TEST(TableLengthWhole, HeaderLengthPlusRecords) {
  struct Case {
    std::string bytes;
    bool whole;
  };
  const Case kCases[] = {
      {Table(3, 97, 10, 127), true},
      {Table(3, 97, 10, 126), false},
      {Table(3, 97, 10, 500), true},
      {Table(0, 0, 0, 32), true},
      {Table(0, 0, 0, 31), false},
      {Table(0, 0, 0, 11), false},
      {Table(0xFFFFFFFF, 0xFFFF, 0xFFFF, 64), false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.bytes.size());
    EXPECT_EQ(c.whole, TableLengthWhole(c.bytes.substr(0, 12), c.bytes.size()));
  }
}

TEST_F(ExchangeTest, WindowsBatchScriptIsNotRunAndTheProgramUnpacks) {
  server_.SetFile("price/1234/price.rar", testing::Zip({{"price.dbf", "table bytes", {}}}));
  WriteFile(bench_.dir.Path() / "UNPUK.BAT", "@echo off\r\nunrar e in\\price.rar\r\n");
  operations_.FetchPriceList();
  EXPECT_THAT(shown_, ElementsAre("Warning: Прайс получен !!!\r\nunpuk.bat не запускается в "
                                  "Linux: прайс распакован программой"));
  EXPECT_EQ("table bytes", ReadFile(bench_.dir.Path() / "price.DBF"));
}

TEST_F(ExchangeTest, AnOrderTheServerHoldsWholeIsNeverStoredAgain) {
  struct Case {
    const char* name;
    std::function<void(ExchangeBench&)> break_it;
    std::vector<std::string> demand;
    std::vector<std::string> archive;
    const char* shown;
  };
  const Case kCases[] = {
      {"no temp",
       [](ExchangeBench& b) { fs::remove(b.Temp()); },
       {},
       {"a.dbf", "b.dbf"},
       "Warning: Отправлено  2  заявок"},
      {"a marker blocked",
       [](ExchangeBench& b) { fs::create_directory(b.Temp() / "b.dbf"); },
       {},
       {"a.dbf", "b.dbf"},
       "Warning: Отправлено  2  заявок"},
      {"a marker blocked and no archive",
       [](ExchangeBench& b) {
         fs::create_directory(b.Temp() / "b.dbf");
         fs::remove(b.Archive());
       },
       {"a.dbf", "b.dbf.sent"},
       {},
       "Warning: Отправлено  2  заявок\r\nОтправлены, но не перенесены в архив (переименованы в "
       "demand): b.dbf.sent\r\nНе удалось перенести в архив, заявки остаются к отправке: a.dbf"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    FtpScriptServer server;
    ExchangeBench bench("127.0.0.1:" + std::to_string(server.Port()));
    for (const char* name : {"a.dbf", "b.dbf"}) WriteFile(bench.Demand() / name, name);
    c.break_it(bench);
    bench.operations.SendOrders();
    bench.operations.SendOrders();
    EXPECT_EQ(c.shown, bench.prompts.shown.front());
    EXPECT_THAT(Names(bench.Demand()), ElementsAreArray(c.demand));
    EXPECT_THAT(Names(bench.Archive()), ElementsAreArray(c.archive));
    // a.dbf, when it could not be archived, keeps its marker and goes
    // again; b.dbf never does.
    std::vector<std::string> stores;
    for (const std::string& line : server.Log()) {
      if (line.rfind("STOR", 0) == 0) stores.push_back(line);
    }
    EXPECT_EQ(1, std::count(stores.begin(), stores.end(), "STOR b.dbf"));
  }
}

TEST_F(ExchangeTest, TricklingTransferFailsBelowTheSpeedLimitAndPassesAboveIt) {
  operations_.Session().SetLowSpeedLimit(60, std::chrono::milliseconds(300));
  server_.listing = "slow.dbf\r\n";
  const std::string waybill = Table(1, 65, 235, 300);
  server_.SetFile("slow.dbf", waybill);
  server_.On("RETR", FtpScriptServer::Trickle(waybill, 1, std::chrono::milliseconds(100)));
  EXPECT_THAT(
      [&] { operations_.FetchWaybills(); },
      ThrowsMessage<ftp::ESocketError>(StrEq("Socket Error # 10060\r\nConnection timed out.")));
  EXPECT_THAT(Names(bench_.In()), IsEmpty());
  EXPECT_THAT(Starting(server_, "DELE"), IsEmpty());

  // 50 bytes every 100 ms keep above 60 bytes in 300 ms.
  server_.On("RETR", FtpScriptServer::Trickle(waybill, 50, std::chrono::milliseconds(100)));
  // The failure left the session open: the next opening closes it.
  EXPECT_THAT([&] { operations_.FetchWaybills(); },
              ThrowsMessage<ftp::EAlreadyConnected>(StrEq("Already connected.")));
  operations_.FetchWaybills();
  EXPECT_EQ(waybill, ReadFile(bench_.In() / "slow.dbf"));
}

TEST(SpeedLimit, DefaultIsSixtyBytesInSixtySeconds) {
  ftp::TFtpClient session;
  EXPECT_EQ(60, session.LowSpeedBytes());
  EXPECT_EQ(std::chrono::seconds(60), session.LowSpeedWindow());
}

TEST_F(ExchangeTest, StopDuringAFetchRemovesThePartialFileAndTheNextOperationWorks) {
  const std::string archive = testing::Zip({{"price.dbf", std::string(5000, 'p'), {}}});
  server_.SetFile("price/1234/price.rar", archive);
  server_.listing = "w.dbf\r\n";
  server_.SetFile("w.dbf", Table(0, 32, 0, 32));
  WriteFile(bench_.In() / "w.dbf", "kept");
  bool stop = true;
  auto trickle = FtpScriptServer::Trickle(archive, 10, std::chrono::milliseconds(50));
  server_.On("RETR", [&](Session& session, const std::string& name) {
    if (!stop) {
      FtpScriptServer::ShortTransfer(name == "w.dbf" ? Table(0, 32, 0, 32) : archive,
                                     "226 Done.\r\n")(session, name);
      return;
    }
    session.Log("stopping");
    operations_.Cancel();  // as "Прервать" would, from another thread
    trickle(session, name);
  });
  const std::vector<std::function<void()>> fetches = {[this] { operations_.FetchPriceList(); },
                                                      [this] { operations_.FetchWaybills(); }};
  for (const auto& fetch : fetches) {
    EXPECT_THAT(fetch, ThrowsMessage<EOperationCancelled>(StrEq("Операция прервана")));
    EXPECT_EQ("Операция прервана", bench_.statuses.back());
    EXPECT_THAT(Names(bench_.In()), ElementsAre("w.dbf"));
    EXPECT_FALSE(operations_.Session().IsConnected());
    EXPECT_EQ("QUIT", Commands(server_).back());
  }
  EXPECT_THAT(Starting(server_, "DELE"), IsEmpty());
  EXPECT_EQ("kept", ReadFile(bench_.In() / "w.dbf"));
  EXPECT_THAT(shown_, IsEmpty());
  stop = false;
  operations_.FetchWaybills();
  EXPECT_THAT(shown_, ElementsAre("Warning: Скачено 1  накладных "));
}

TEST_F(ExchangeTest, StopDuringAStoreArchivesTheWholeOnesAndDeletesTheCutOne) {
  AddOrders({"a.dbf", "b.dbf", "c.dbf"});
  struct Case {
    const char* dele_reply;
    const char* shown;
  };
  const Case kCases[] = {
      {"250 Deleted.\r\n",
       "Операция прервана\r\nЗаявка b.dbf отправлена не полностью и удалена на "
       "сервере; она остаётся к отправке.\r\nОтправлено  1  заявок"},
      {"550 Permission denied.\r\n",
       "Операция прервана\r\nЗаявка b.dbf отправлена не полностью, сервер не дал её "
       "удалить; она остаётся к отправке. Сообщите поставщику.\r\nОтправлено  0  заявок"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.dele_reply);
    server_.On("STOR", [&](Session& session, const std::string& name) {
      session.Send("150 Ok.\r\n");
      session.OpenData();
      const std::string bytes = session.ReceiveData();
      session.CloseData();
      if (name != "b.dbf") {
        server_.SetFile(name, bytes);
        session.Send("226 Done.\r\n");
        return;
      }
      server_.SetFile(name, bytes.substr(0, 2));
      operations_.Cancel();
      // The server notices the ABOR and answers the cut transfer late.
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      session.Send("426 Transfer aborted.\r\n");
    });
    server_.OnReply("DELE", c.dele_reply);
    try {
      operations_.SendOrders();
      ADD_FAILURE() << "not stopped";
    } catch (const EOperationCancelled& stopped) {
      EXPECT_STREQ(c.shown, stopped.what());
    }
    EXPECT_EQ("Операция прервана", bench_.statuses.back());
    EXPECT_THAT(Names(bench_.Demand()), ElementsAre("b.dbf", "c.dbf"));
    EXPECT_THAT(Names(bench_.Archive()), ElementsAre("a.dbf"));
    EXPECT_THAT(Names(bench_.Temp()), IsEmpty());
    EXPECT_EQ("QUIT", Commands(server_).back());
    EXPECT_THAT(shown_, IsEmpty());
  }
  EXPECT_THAT(Starting(server_, "DELE"), ElementsAre("DELE b.dbf", "DELE b.dbf"));
}

TEST_F(ExchangeTest, AWaybillIsOnTheDiskUnderItsNameBeforeItIsDeletedOnTheServer) {
  server_.listing = "a.dbf\r\n";
  server_.SetFile("a.dbf", "waybill a");
  server_.On("DELE", [&](Session& session, const std::string& name) {
    session.Log("local copy: " + ReadFile(bench_.In() / name));
    session.Send("250 Deleted.\r\n");
  });
  AddOrders({"o.dbf"});
  server_.On("STOR", [&](Session& session, const std::string& name) {
    session.Send("150 Ok.\r\n");
    session.OpenData();
    session.ReceiveData();
    session.CloseData();
    session.Log("archived before the reply: " +
                std::to_string(fs::exists(bench_.Archive() / name)));
    session.Send("226 Done.\r\n");
  });
  operations_.FetchWaybills();
  operations_.SendOrders();
  EXPECT_THAT(server_.Log(), ::testing::Contains("local copy: waybill a"));
  EXPECT_THAT(server_.Log(), ::testing::Contains("archived before the reply: 0"));
  EXPECT_EQ("order o.dbf", ReadFile(bench_.Archive() / "o.dbf"));
  EXPECT_THAT(Names(bench_.Demand()), IsEmpty());
}

TEST_F(ExchangeTest, RefusedWaybillKeepsTheEarlierCopyAndIsNamed) {
  server_.listing = "a.dbf\r\nb.dbf\r\n";
  server_.SetFile("a.dbf", "new a");
  server_.SetFile("b.dbf", "new b");
  server_.RefuseRetr("b.dbf", "450 File busy.\r\n");
  WriteFile(bench_.In() / "a.dbf", "old a");
  WriteFile(bench_.In() / "b.dbf", "old b");
  operations_.FetchWaybills();
  EXPECT_EQ("new a", ReadFile(bench_.In() / "a.dbf"));
  EXPECT_EQ("old b", ReadFile(bench_.In() / "b.dbf"));
  EXPECT_THAT(Names(bench_.In()), ElementsAre("a.dbf", "b.dbf"));
  EXPECT_THAT(Starting(server_, "DELE"), ElementsAre("DELE a.dbf"));
  EXPECT_THAT(shown_, ElementsAre("Warning: Скачено 1  накладных \r\nНе получены: b.dbf"));
}

TEST_F(ExchangeTest, HostileListingsAreCutOff) {
  struct Case {
    const char* name;
    std::string listing;
    bool too_large;
  };
  std::string names_at_limit;
  for (int i = 0; i < 100000; ++i) names_at_limit += "n" + std::to_string(i) + ".txt\r\n";
  const Case kCases[] = {
      {"100,000 names", names_at_limit, false},
      {"one name more", names_at_limit + "x.dbf\r\n", true},
      {"over 16 MiB in one line", std::string((16 << 20) + 1, 'x'), true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    FtpScriptServer server;
    ExchangeBench bench("127.0.0.1:" + std::to_string(server.Port()));
    server.listing = c.listing;
    if (c.too_large) {
      EXPECT_THAT([&] { bench.operations.FetchWaybills(); },
                  ThrowsMessage<EExchangeError>(StrEq("Список файлов на сервере слишком велик")));
      EXPECT_FALSE(bench.operations.Session().IsConnected());
    } else {
      bench.operations.FetchWaybills();
      EXPECT_THAT(bench.prompts.shown, ElementsAre("Warning: Скачено 0  накладных "));
    }
    EXPECT_THAT(Starting(server, "RETR"), IsEmpty());
  }
}

TEST_F(ExchangeTest, DataGoesOnlyToTheServersHost) {
  // Passive: the reply names another host; active: another host connects
  // first. The order and the waybill travel all the same, never elsewhere.
  for (const bool passive : {true, false}) {
    SCOPED_TRACE(passive ? "passive" : "active");
    FtpScriptServer server;
    ExchangeBench bench("127.0.0.1:" + std::to_string(server.Port()));
    bench.settings.passive = passive;
    if (passive) {
      server.AnnouncePassiveAddress("127.0.0.2");
    } else {
      server.ConnectFromForeignHostFirst();
    }
    server.listing = "n.dbf\r\n";
    server.SetFile("n.dbf", "waybill");
    WriteFile(bench.Demand() / "a.dbf", "order a.dbf");
    bench.operations.SendOrders();
    bench.operations.FetchWaybills();
    EXPECT_EQ("order a.dbf", server.Stored("a.dbf"));
    EXPECT_EQ("waybill", ReadFile(bench.In() / "n.dbf"));
    const auto log = server.Log();
    EXPECT_EQ(0, std::count(log.begin(), log.end(), "foreign address reached"));
    EXPECT_EQ(passive ? 0 : 3, std::count(log.begin(), log.end(), "foreign host turned away"));
  }
}

TEST_F(ExchangeTest, LeftoversOfAKilledRunAreRemovedAtStartAndAtTheNextFetch) {
  auto leave = [&] {
    WriteFile(bench_.dir.Path() / "price.new.Ab12Cd", "half a table");
    WriteFile(bench_.In() / "n1.dbf.part", "half a waybill");
    WriteFile(bench_.Archive() / ".a.dbf.part", "half an order");
  };
  WriteFile(bench_.In() / "n2.dbf", "a waybill");
  WriteFile(bench_.Archive() / "a.dbf", "an order");
  leave();
  TExchangeOperations at_start(bench_.settings, bench_.prompts, bench_.dir.Path());
  EXPECT_THAT(Names(bench_.dir.Path()), ElementsAre("archive", "demand", "in", "temp"));
  EXPECT_THAT(Names(bench_.In()), ElementsAre("n2.dbf"));
  EXPECT_THAT(Names(bench_.Archive()), ElementsAre("a.dbf"));
  const std::vector<std::function<void()>> fetches = {[this] { operations_.FetchPriceList(); },
                                                      [this] { operations_.FetchWaybills(); }};
  for (const auto& fetch : fetches) {
    leave();
    try {
      fetch();
    } catch (const std::exception&) {
      // No price list on the server: the fetch fails, after the clean-up.
    }
    EXPECT_THAT(Names(bench_.In()), ElementsAre("n2.dbf"));
    EXPECT_THAT(Names(bench_.Archive()), ElementsAre("a.dbf"));
  }
}

TEST_F(ExchangeTest, AnOverlongNameIsSkippedLikeARefusedOne) {
  const std::string long_name = std::string(296, 'l') + ".dbf";
  server_.listing = long_name + "\r\nok.dbf\r\n";
  server_.SetFile(long_name, "long");
  server_.SetFile("ok.dbf", "fine");
  operations_.FetchWaybills();
  EXPECT_THAT(Names(bench_.In()), ElementsAre("ok.dbf"));
  EXPECT_THAT(Starting(server_, "RETR"), ElementsAre("RETR ok.dbf"));
  EXPECT_THAT(shown_, ElementsAre("Warning: Скачено 1  накладных \r\nНе получены: " + long_name));
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
