#include "ordering/order_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/temp_dir.h"

namespace zakaz {
namespace {

namespace fs = std::filesystem;

// Runs the test body with `dir` as the working directory, as the program
// always works relative to it.
class InDir {
 public:
  explicit InDir(const fs::path& dir) : old_(fs::current_path()) { fs::current_path(dir); }
  ~InDir() { fs::current_path(old_); }
  InDir(const InDir&) = delete;
  InDir& operator=(const InDir&) = delete;

 private:
  fs::path old_;
};

void Touch(const fs::path& p) { std::ofstream(p) << "x"; }

TEST(OrderFiles, NothingThereGivesNothing) {
  testing::TempDir dir;
  InDir in(dir.Path());
  EXPECT_FALSE(PriceListExists());
  EXPECT_TRUE(ListPendingOrders().empty());
}

TEST(OrderFiles, FindsPriceListInAnyLetterCase) {
  for (const char* name : {"price.DBF", "PRICE.DBF", "price.dbf", "Price.Dbf"}) {
    SCOPED_TRACE(name);
    testing::TempDir dir;
    InDir in(dir.Path());
    Touch(dir.Path() / name);
    EXPECT_TRUE(PriceListExists());
  }
  testing::TempDir dir;
  InDir in(dir.Path());
  fs::create_directory(dir.Path() / "price.dbf");
  EXPECT_FALSE(PriceListExists());
}

// A dot name is listed too: the send takes every table of "demand", so the
// tree must show (and let the user delete) each one it would send.
TEST(OrderFiles, ListsOrdinaryDbfFilesOfDemandSorted) {
  testing::TempDir dir;
  InDir in(dir.Path());
  const fs::path demand = dir.Path() / "Demand";
  fs::create_directory(demand);
  Touch(demand / "1234D6B3.DBF");
  Touch(demand / "0001ABCD.dbf");
  Touch(demand / "D6B3.Dbf");
  Touch(demand / "notes.txt");
  Touch(demand / ".hidden.dbf");
  Touch(demand / "x.dbf.bak");
  fs::create_directory(demand / "sub.dbf");
  EXPECT_EQ((std::vector<std::string>{".hidden.dbf", "0001ABCD.dbf", "1234D6B3.DBF", "D6B3.Dbf"}),
            ListPendingOrders());
}

}  // namespace
}  // namespace zakaz
