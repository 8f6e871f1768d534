// Saving orders without a window: the stamp, the free name, the temporary
// file and its rename, and the faults that must never cost an order (a full
// disk, a kill in the middle of a save, two saves in one stamp unit).
#include "ordering/order_saver.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "dbf/dataset/table_dataset.h"
#include "dbf/table/code_page.h"
#include "ordering/order_file_writer.h"
#include "ordering/order_stamp.h"
#include "ordering/pending_orders.h"
#include "ordering/price_list.h"
#include "ordering/price_row.h"
#include "ordering/view_mode.h"
#include "settings/live_settings.h"
#include "support/fake_user_prompts.h"
#include "support/price_tables.h"
#include "support/temp_dir.h"

namespace zakaz {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::PriceRow;
using ::testing::SizeIs;
using ::testing::StartsWith;

// 05.03.2009 14:22:10, whose stamp is D6B3.
const LocalDateTime kMarch5 = {2009, 3, 5, 14, 22, 10, 0};

// The view modes as the main window sets them on the price table.
class TableViews : public IViewModes {
 public:
  explicit TableViews(dbf::TTableDataSet& table) : table_(table) {}
  TViewMode ViewMode() const override { return mode_; }
  void SetViewMode(TViewMode mode) override {
    mode_ = mode;
    if (mode == vmOrder) {
      table_.SetFilter("QUANT>0");
      table_.SetFiltered(true);
    } else {
      table_.SetFiltered(false);
      table_.SetFilter("");
    }
    if (table_.Active()) table_.First();
  }

 private:
  dbf::TTableDataSet& table_;
  TViewMode mode_ = vmPrice;
};

class FixedSettings : public ILiveSettings {
 public:
  std::string ClientCode() const override { return client_code; }
  std::string Server() const override { return ""; }
  std::string Login() const override { return ""; }
  std::string Password() const override { return ""; }
  bool Passive() const override { return false; }
  std::string PriceDirectory() const override { return ""; }

  std::string client_code = "1234";
};

int Little16(const std::string& bytes, size_t at) {
  return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8;
}

// Every name in "demand", sorted.
std::vector<std::string> DemandNames() {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator("demand", ec))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class OrderSaverTest : public ::testing::Test {
 protected:
  OrderSaverTest() : cwd_(dir_.Path()) {
    dbf::BuildTranslationTables();
    fs::create_directory("demand");
  }

  // The price list with `quantities` typed, one row per entry, opened in
  // PriceTable.
  void OpenPriceList(const std::vector<int>& quantities) {
    std::vector<PriceRow> rows;
    for (size_t i = 0; i < quantities.size(); ++i) {
      rows.push_back({.name = "ROW" + std::to_string(i),
                      .price = 1.5 + static_cast<double>(i),
                      .quant = quantities[i],
                      .srok = "01.01.2030"});
    }
    testing::WritePriceTable("price.DBF", rows);
    price_list_.OpenPriceList();
  }

  TOrderSaver Saver() {
    TOrderSaver saver(price_list_, order_, views_, settings_, prompts_, [this] { return now_; });
    saver.OnOrdersChanged = [this] { ++refills_; };
    return saver;
  }

  testing::TempDir dir_;
  testing::WorkingDirectory cwd_;
  TPriceList price_list_;
  dbf::TTableDataSet& price_ = price_list_.Table();
  dbf::TTableDataSet order_{"OrderTable"};
  TableViews views_{price_};
  FixedSettings settings_;
  testing::FakeUserPrompts prompts_;
  LocalDateTime now_ = kMarch5;
  int refills_ = 0;
};

TEST(MakeOrderStamp, CountsTenThousandthsOfADaySince1899InHex) {
  struct Case {
    LocalDateTime time;
    const char* stamp;
  };
  const Case kCases[] = {
      {kMarch5, "17C4D6B3"},
      {{1899, 12, 30, 0, 0, 0, 0}, "00000000"},
      {{1899, 12, 30, 0, 0, 8, 640}, "00000001"},  // one unit is 8.64 seconds
      {{2000, 1, 1, 0, 0, 8, 639}, "15C56CE0"},    // milliseconds count
      {{2000, 1, 1, 0, 0, 8, 640}, "15C56CE1"},
      {{2099, 12, 31, 23, 59, 59, 999}, "2B8AB2AF"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.stamp);
    EXPECT_EQ(c.stamp, MakeOrderStamp(c.time));
  }
}

TEST_F(OrderSaverTest, FreeNameSkipsPendingAndArchivedOrdersIgnoringCase) {
  struct Case {
    const char* title;
    std::vector<std::string> demand, archive;
    const char* client_code;
    const char* stamp;
    const char* name;
  };
  const Case kCases[] = {
      {"free", {}, {}, "1234", "D6B3", "demand\\1234D6B3.DBF"},
      {"empty client code", {}, {}, "", "D6B3", "demand\\D6B3.DBF"},
      {"pending in lower case", {"1234d6b3.dbf"}, {}, "1234", "D6B3", "demand\\1234D6B4.DBF"},
      {"pending and archived",
       {"1234D6B4.DBF"},
       {"1234D6B3.DBF"},
       "1234",
       "D6B3",
       "demand\\1234D6B5.DBF"},
      {"wraps round", {"1234FFFF.DBF"}, {}, "1234", "FFFF", "demand\\12340000.DBF"},
      {"other clients do not count", {"9999D6B3.DBF"}, {}, "1234", "D6B3", "demand\\1234D6B3.DBF"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.title);
    fs::remove_all("demand");
    fs::remove_all("Archive");
    fs::create_directory("demand");
    fs::create_directory("Archive");  // the directory is also written this way
    for (const auto& n : c.demand) std::ofstream("demand/" + n) << "x";
    for (const auto& n : c.archive) std::ofstream("Archive/" + n) << "x";
    EXPECT_EQ(c.name, FreeOrderFileName(c.client_code, c.stamp));
  }
}

TEST_F(OrderSaverTest, SavesExactlyTheOrderedRowsByteForByteAndClearsThem) {
  OpenPriceList({0, 2, 0, 5, 1, 0});
  const std::vector<std::string> price_records = testing::StoredRecords("price.DBF");
  Saver().Save();

  EXPECT_THAT(prompts_.shown, IsEmpty());
  EXPECT_THAT(DemandNames(), ElementsAre("1234D6B3.DBF"));
  EXPECT_THAT(testing::StoredRecords("demand/1234D6B3.DBF"),
              ElementsAre(price_records[1], price_records[3], price_records[4]));
  const std::string order = testing::ReadFile("demand/1234D6B3.DBF");
  const std::string price = testing::ReadFile("price.DBF");
  const int header = Little16(price, 8);
  EXPECT_EQ(header, Little16(order, 8));
  // The columns are the price list's, descriptor for descriptor, with the
  // names in upper case (Kod becomes KOD).
  std::string columns = price.substr(32, static_cast<size_t>(header) - 32);
  for (size_t at = 0; at + 32 <= columns.size(); at += 32) {
    for (size_t i = at; i < at + 11; ++i) columns[i] = static_cast<char>(std::toupper(columns[i]));
  }
  EXPECT_EQ(columns, order.substr(32, static_cast<size_t>(header) - 32));
  EXPECT_EQ('\x1a', order.back());
  EXPECT_EQ(1, refills_);
  EXPECT_EQ(vmPrice, views_.ViewMode());
  EXPECT_FALSE(price_.Filtered());
  EXPECT_FALSE(price_.ControlsDisabled());
  price_.Close();
  EXPECT_THAT(testing::ReadQuantities("price.DBF"), ElementsAre(0, 0, 0, 0, 0, 0));
}

TEST_F(OrderSaverTest, NoQuantitiesWritesNothingAndLeavesTheTreeAlone) {
  OpenPriceList({0, 0});
  Saver().Save();
  EXPECT_THAT(DemandNames(), IsEmpty());
  EXPECT_EQ(0, refills_);
  EXPECT_EQ(vmPrice, views_.ViewMode());
  EXPECT_THAT(prompts_.shown, IsEmpty());
}

TEST_F(OrderSaverTest, AQuantityStillBeingEditedIsSaved) {
  OpenPriceList({0, 0, 3});
  price_.First();
  price_.Edit();
  price_.FieldByName("QUANT").SetAsInteger(7);
  Saver().Save();
  ASSERT_THAT(DemandNames(), ElementsAre("1234D6B3.DBF"));
  dbf::TTableDataSet order;
  order.SetTableName("demand\\1234D6B3.DBF");
  order.Open();
  std::vector<std::string> saved;
  for (; !order.Eof(); order.Next()) {
    saved.push_back(order.FieldByName("NAME").AsString() + "=" +
                    order.FieldByName("QUANT").AsString());
  }
  EXPECT_THAT(saved, ElementsAre("ROW0=7", "ROW2=3"));
}

TEST_F(OrderSaverTest, TwoSavesInOneStampUnitGiveTwoFiles) {
  OpenPriceList({1, 0});
  Saver().Save();
  price_.First();
  price_.Edit();
  price_.FieldByName("QUANT").SetAsInteger(4);
  price_.Post();
  now_.second += 1;  // same unit
  Saver().Save();
  EXPECT_THAT(DemandNames(), ElementsAre("1234D6B3.DBF", "1234D6B4.DBF"));
  EXPECT_THAT(testing::ReadQuantities("demand/1234D6B3.DBF"), ElementsAre(1));
  EXPECT_THAT(testing::ReadQuantities("demand/1234D6B4.DBF"), ElementsAre(4));
}

TEST_F(OrderSaverTest, AFileThatCannotBeCreatedKeepsTheQuantities) {
  OpenPriceList({2, 0, 3});
  fs::remove("demand");
  Saver().Save();
  ASSERT_THAT(prompts_.shown, SizeIs(1));
  EXPECT_THAT(prompts_.shown[0], StartsWith("Error: Ошибка создания заказа:\r"));
  EXPECT_GT(prompts_.shown[0].size(), std::strlen("Error: Ошибка создания заказа:\r"));
  EXPECT_EQ(1, refills_);  // the tree is refilled all the same
  EXPECT_EQ(vmPrice, views_.ViewMode());
  EXPECT_FALSE(price_.ControlsDisabled());
  price_.Close();
  EXPECT_THAT(testing::ReadQuantities("price.DBF"), ElementsAre(2, 0, 3));
}

TEST_F(OrderSaverTest, AClientCodeThatIsNoFileNameIsRefusedAndWritesNothing) {
  OpenPriceList({2, 0, 3});
  fs::create_directory("archive");
  struct Case {
    const char* code;
    const char* found;
  };
  const Case kCases[] = {
      {"../x", ". /"},   {"..\\x", ". \\"},
      {"a/b", "/"},      {"C:", ":"},
      {"12\n34", "#10"}, {".12", "."},
      {"1*2?", "* ?"},   {"\"<>|", "\" < > |"},
      {"a**b", "*"},     {"a\tb\x7f", "#9 #127"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.code);
    settings_.client_code = c.code;
    prompts_.shown.clear();
    Saver().Save();
    EXPECT_THAT(prompts_.shown,
                ElementsAre(std::string("Error: Ошибка создания заказа:\rКод клиента "
                                        "содержит недопустимые символы: ") +
                            c.found));
    EXPECT_EQ(vmPrice, views_.ViewMode());
  }
  EXPECT_THAT(DemandNames(), IsEmpty());
  std::vector<std::string> everywhere;
  for (const auto& entry : fs::recursive_directory_iterator("."))
    everywhere.push_back(entry.path().generic_string());
  std::sort(everywhere.begin(), everywhere.end());
  EXPECT_THAT(everywhere, ElementsAre("./archive", "./demand", "./price.DBF"));
  price_.Close();
  EXPECT_THAT(testing::ReadQuantities("price.DBF"), ElementsAre(2, 0, 3));
}

TEST_F(OrderSaverTest, AFullDiskLeavesNoPartialOrderAndKeepsTheQuantities) {
  std::vector<int> quantities(300, 1);
  OpenPriceList(quantities);
  price_.Close();
  const pid_t child = ::fork();
  ASSERT_NE(-1, child);
  if (child == 0) {
    // No file may grow past 8 KiB; the order needs far more.
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{8192, 8192};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    price_.Open();
    Saver().Save();
    const bool reported = prompts_.shown.size() == 1 &&
                          prompts_.shown[0].rfind("Error: Ошибка создания заказа:\r", 0) == 0;
    ::_exit(reported && refills_ == 1 && views_.ViewMode() == vmPrice ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(child, ::waitpid(child, &status, 0));
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(0, WEXITSTATUS(status)) << "the failure was not reported as a failed save";
  EXPECT_THAT(DemandNames(), IsEmpty());
  EXPECT_EQ(quantities, testing::ReadQuantities("price.DBF"));
}

TEST_F(OrderSaverTest, AKillDuringTheSaveLeavesOnlyATemporaryFileThatTheNextStartRemoves) {
  std::vector<int> quantities(3000, 2);
  OpenPriceList(quantities);
  price_.Close();
  int pipe_fds[2];
  ASSERT_EQ(0, ::pipe(pipe_fds));
  const pid_t child = ::fork();
  ASSERT_NE(-1, child);
  if (child == 0) {
    ::close(pipe_fds[0]);
    price_.Open();
    // Well into the copying, the parent is told to kill, and the child
    // waits for it.
    int scrolls = 0;
    price_.AfterScroll = [&](dbf::TTableDataSet&) {
      if (++scrolls == 1000) {
        const char ready = 'k';
        if (::write(pipe_fds[1], &ready, 1) != 1) ::_exit(2);
        for (;;) ::pause();
      }
    };
    Saver().Save();
    ::_exit(3);  // the kill never came
  }
  ::close(pipe_fds[1]);
  char ready = 0;
  ASSERT_EQ(1, ::read(pipe_fds[0], &ready, 1));
  ::close(pipe_fds[0]);
  ASSERT_EQ(0, ::kill(child, SIGKILL));
  int status = 0;
  ASSERT_EQ(child, ::waitpid(child, &status, 0));
  ASSERT_TRUE(WIFSIGNALED(status));

  EXPECT_THAT(DemandNames(), ElementsAre("1234D6B3.DBF.tmp"));
  EXPECT_GT(fs::file_size("demand/1234D6B3.DBF.tmp"), 100000u);  // the copy was under way
  EXPECT_EQ(quantities, testing::ReadQuantities("price.DBF"));
  std::ofstream("demand/9999AAAA.DBF") << "x";
  RemoveLeftoverOrderFiles();
  EXPECT_THAT(DemandNames(), ElementsAre("9999AAAA.DBF"));
}

TEST_F(OrderSaverTest, AReadErrorInThePriceListLeavesNoOrderBehind) {
  OpenPriceList(std::vector<int>(50, 1));
  views_.SetViewMode(vmOrder);
  // The price list loses its last rows under the open table.
  const std::string bytes = testing::ReadFile("price.DBF");
  const size_t header = static_cast<size_t>(Little16(bytes, 8));
  const size_t length = static_cast<size_t>(Little16(bytes, 10));
  fs::resize_file("price.DBF", header + 10 * length);
  EXPECT_FALSE(Saver().CreateOrderFile("demand\\1234D6B3.DBF"));
  ASSERT_THAT(prompts_.shown, SizeIs(1));
  EXPECT_EQ("Error: Ошибка создания заказа:\rRecord request beyond range of table",
            prompts_.shown[0]);
  EXPECT_THAT(DemandNames(), IsEmpty());
  EXPECT_EQ(vmOrder, views_.ViewMode());
  EXPECT_FALSE(price_.ControlsDisabled());
}

TEST_F(OrderSaverTest, AnOrderFileIsNeverWrittenOverAnExistingOne) {
  OpenPriceList({1});
  std::ofstream("demand/1234D6B3.DBF") << "earlier order";
  views_.SetViewMode(vmOrder);
  EXPECT_FALSE(Saver().CreateOrderFile("demand\\1234D6B3.DBF"));
  ASSERT_THAT(prompts_.shown, SizeIs(1));
  EXPECT_THAT(prompts_.shown[0], StartsWith("Error: Ошибка создания заказа:\r"));
  EXPECT_EQ("earlier order", testing::ReadFile("demand/1234D6B3.DBF"));
  EXPECT_THAT(DemandNames(), ElementsAre("1234D6B3.DBF"));
}

TEST_F(OrderSaverTest, SaveBeforeSendSavesTheTypedOrderAndClosesTheTable) {
  OpenPriceList({0, 6, 0});
  // A quantity still being typed goes with the order, not lost by the close.
  price_.First();
  price_.Edit();
  price_.FieldByName("QUANT").SetAsInteger(2);
  Saver().SaveBeforeSend();
  EXPECT_FALSE(price_.Active());
  EXPECT_THAT(DemandNames(), ElementsAre("1234D6B3.DBF"));
  EXPECT_THAT(testing::ReadQuantities("demand/1234D6B3.DBF"), ElementsAre(2, 6));
  EXPECT_THAT(testing::ReadQuantities("price.DBF"), ElementsAre(0, 0, 0));

  // Without a price list there is nothing to save; the table is closed all
  // the same.
  fs::remove("price.DBF");
  price_.SetTableName("demand\\1234D6B3.DBF");
  price_.Open();
  Saver().SaveBeforeSend();
  EXPECT_FALSE(price_.Active());
  EXPECT_THAT(DemandNames(), ElementsAre("1234D6B3.DBF"));
}

TEST_F(OrderSaverTest, DeleteTakesTheWholeNameAndReopensThePriceList) {
  OpenPriceList({0});
  // Client codes longer than four characters make names beyond 8.3.
  for (const char* name : {"1234D6B3.DBF", "123456D6B3.DBF", "1234567890D6B3.DBF"}) {
    SCOPED_TRACE(name);
    testing::WritePriceTable(std::string("demand/") + name, {{.name = "X", .quant = 1}});
    price_.Close();
    price_.SetTableName(std::string("demand\\") + name);
    price_.Open();
    DeletePendingOrder(price_list_, name);
    EXPECT_FALSE(fs::exists(std::string("demand/") + name));
    EXPECT_TRUE(price_.Active());
    EXPECT_EQ("price.dbf", price_.TableName());
  }
  // A file that is gone already is no failure.
  EXPECT_NO_THROW(DeletePendingOrder(price_list_, "GONE.DBF"));

  // Without a price list to open nothing is deleted.
  testing::WritePriceTable("demand/KEEP.DBF", {{.name = "X", .quant = 1}});
  price_.Close();
  fs::remove("price.DBF");
  EXPECT_ANY_THROW(DeletePendingOrder(price_list_, "KEEP.DBF"));
  EXPECT_TRUE(fs::exists("demand/KEEP.DBF"));
}

TEST_F(OrderSaverTest, CommentGoesIntoTheFirstRowCutToTheColumn) {
  testing::WritePriceTable("demand/1234D6B3.DBF",
                           {{.name = "A", .quant = 1}, {.name = "B", .quant = 2}});
  dbf::TTableDataSet order("PriceTable");
  ConfigurePriceTable(order);
  order.SetTableName("demand\\1234D6B3.DBF");
  order.Open();
  order.Last();
  WriteOrderComment(order, std::string(150, 'c'));
  EXPECT_EQ(1, order.RecNo());
  order.Close();
  order.Open();
  EXPECT_EQ(std::string(100, 'c'), order.FieldByName("COMMENT").AsString());
  order.Next();
  EXPECT_EQ("", order.FieldByName("COMMENT").AsString());
}

}  // namespace
}  // namespace zakaz
