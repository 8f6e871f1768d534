#include "ordering/table_listing.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <filesystem>
#include <fstream>

#include "support/temp_dir.h"

namespace zakaz {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

class TableListingTest : public ::testing::Test {
 protected:
  TableListingTest() : old_(fs::current_path()) { fs::current_path(dir_.Path()); }
  ~TableListingTest() override { fs::current_path(old_); }

  // A file in "archive" with the given modification time.
  void Put(const std::string& name, const LocalDateTime& time) {
    fs::create_directories("archive");
    const std::string path = "archive/" + name;
    std::ofstream(path) << "x";
    const std::time_t t = ToTimeT(time);
    utimbuf times{t, t};
    ::utime(path.c_str(), &times);
  }

  static std::vector<std::string> Names(const std::vector<TOrderData>& entries) {
    std::vector<std::string> names;
    for (const auto& e : entries) names.push_back(e.FileName);
    return names;
  }

  testing::TempDir dir_;
  fs::path old_;
};

TEST_F(TableListingTest, OldestFirstTiesByNameOnlyOrdinaryTables) {
  Put("C.DBF", {2009, 3, 5, 14, 22, 10});
  Put("A.dbf", {2009, 3, 6, 0, 0, 0});
  Put("B.Dbf", {2009, 3, 5, 14, 22, 10});  // same time as C.DBF
  Put("NOTES.TXT", {2009, 3, 1, 0, 0, 0});
  Put(".dot.dbf", {2009, 3, 5, 0, 0, 0});  // a dot name is a table like any other
  Put("dbf", {2009, 3, 1, 0, 0, 0});
  fs::create_directory("archive/DIR.DBF");

  // "Archive\" as the system writes it finds the directory "archive".
  const std::vector<TOrderData> entries = ListTablesByAge("Archive\\");
  EXPECT_THAT(Names(entries), ElementsAre(".dot.dbf", "B.Dbf", "C.DBF", "A.dbf"));
  ASSERT_EQ(4u, entries.size());
  EXPECT_EQ("05.03.2009 14:22:10", entries[1].DateText);
  EXPECT_EQ("06.03.2009", entries[3].DateText);  // midnight: the date alone
  EXPECT_EQ((LocalDateTime{2009, 3, 6, 0, 0, 0}), entries[3].FileTime);
}

TEST_F(TableListingTest, MissingDirectoryListsNothing) {
  EXPECT_TRUE(ListTablesByAge("in\\").empty());
}

TEST_F(TableListingTest, RemovesExactlyTheListedFile) {
  Put("x.dbf", {2009, 3, 5, 0, 0, 0});
  Put("X.DBF", {2009, 3, 6, 0, 0, 0});
  EXPECT_TRUE(RemoveListedTable("Archive\\", "x.dbf"));
  EXPECT_THAT(Names(ListTablesByAge("Archive\\")), ElementsAre("X.DBF"));
  EXPECT_FALSE(RemoveListedTable("Archive\\", "x.dbf"));
}

}  // namespace
}  // namespace zakaz
