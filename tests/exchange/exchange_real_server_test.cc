// The three exchange operations end to end against real servers from the
// distribution on 127.0.0.1, laid out as the supplier's server is, in passive
// and active mode; every file moved is compared byte for byte. The list of
// servers is the fixture's; a server this machine cannot run is skipped.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <tuple>

#include "exchange/archive_bytes.h"
#include "exchange/exchange_fixture.h"
#include "exchange/exchange_operations.h"
#include "support/file_bytes.h"
#include "support/ftp_real_server.h"

namespace zakaz::exchange {
namespace {

using zakaz::testing::Pattern;

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using zakaz::testing::ExchangeBench;
using zakaz::testing::FtpRealServer;
using zakaz::testing::Names;
using zakaz::testing::ReadFile;
using zakaz::testing::WriteFile;

using Param = std::tuple<FtpRealServer::Kind, bool>;

class ExchangeRealServerTest : public ::testing::TestWithParam<Param> {
 protected:
  void SetUp() override {
    root_ = server_dir_.Path();
    fs::create_directories(root_ / "price" / "1234");
    fs::create_directories(root_ / "zayav");
    fs::create_directories(root_ / "nakl" / "1234");
    WriteFile(root_ / "price" / "1234" / "price.rar",
              testing::StoredRar({{"price.dbf", price_table_, {}}}));
    WriteFile(root_ / "nakl" / "1234" / "N0001.DBF", waybill_);
    WriteFile(root_ / "nakl" / "1234" / "n0002.dbf", "w");
    server_ = std::make_unique<FtpRealServer>(std::get<0>(GetParam()), root_);
    ZAKAZ_START_REAL_SERVER_OR_SKIP(*server_);
    bench_ = std::make_unique<ExchangeBench>("127.0.0.1:" + std::to_string(server_->Port()));
    bench_->settings.login = FtpRealServer::kUser;
    bench_->settings.password = FtpRealServer::kPassword;
    bench_->settings.passive = std::get<1>(GetParam());
  }

  testing::TempDir server_dir_;
  fs::path root_;
  const std::string price_table_ = Pattern(300000, 1);
  const std::string waybill_ = Pattern(70000, 2);
  std::unique_ptr<FtpRealServer> server_;
  std::unique_ptr<ExchangeBench> bench_;
};

TEST_P(ExchangeRealServerTest, AllThreeOperations) {
  ExchangeBench& bench = *bench_;
  bench.operations.FetchPriceList();
  EXPECT_EQ(ReadFile(root_ / "price" / "1234" / "price.rar"), ReadFile(bench.In() / "price.rar"));
  EXPECT_EQ(price_table_, ReadFile(bench.dir.Path() / "price.DBF"));

  const std::string first = Pattern(123457, 4);
  const std::string second = Pattern(32768, 5);
  WriteFile(bench.Demand() / "12340A1F.DBF", first);
  WriteFile(bench.Demand() / "12340A20.DBF", second);
  bench.operations.SendOrders();
  EXPECT_EQ(first, ReadFile(root_ / "zayav" / "12340A1F.DBF"));
  EXPECT_EQ(second, ReadFile(root_ / "zayav" / "12340A20.DBF"));
  EXPECT_THAT(Names(bench.Archive()), ElementsAre("12340A1F.DBF", "12340A20.DBF"));
  EXPECT_THAT(Names(bench.Demand()), IsEmpty());

  bench.operations.FetchWaybills();
  EXPECT_EQ(waybill_, ReadFile(bench.In() / "N0001.DBF"));
  EXPECT_EQ("w", ReadFile(bench.In() / "n0002.dbf"));
  EXPECT_THAT(Names(root_ / "nakl" / "1234"), IsEmpty());

  EXPECT_THAT(bench.prompts.shown,
              ElementsAre("Warning: Прайс получен !!!", "Warning: Отправлено  2  заявок",
                          "Warning: Скачено 2  накладных "));
}

// Four servers of different make: each lists, sizes and aborts in its own way.
constexpr FtpRealServer::Kind kServers[] = {FtpRealServer::kVsftpd, FtpRealServer::kPureFtpd,
                                            FtpRealServer::kProftpd, FtpRealServer::kPyftpdlib};

INSTANTIATE_TEST_SUITE_P(Servers, ExchangeRealServerTest,
                         ::testing::Combine(::testing::ValuesIn(kServers), ::testing::Bool()),
                         [](const auto& info) {
                           return FtpRealServer::TestName(std::get<0>(info.param)) +
                                  (std::get<1>(info.param) ? "Passive" : "Active");
                         });

}  // namespace
}  // namespace zakaz::exchange
