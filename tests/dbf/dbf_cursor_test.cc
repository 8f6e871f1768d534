// The cursor layer on its own: moves over deleted records, the match set's
// targets, the read-ahead block.
#include "dbf/table/dbf_cursor.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dataset_test_util.h"
#include "dbf/base/errors.h"
#include "support/temp_dir.h"

namespace zakaz::dbf {
namespace {

using ::testing::ElementsAre;
using testing::RowsMatching;
using testing::TRow;
using testing::WriteTable;

std::vector<int> Walk(TDbfCursor& cursor, int first, int next) {
  std::vector<int> seen;
  for (cursor.GotoRecord(first); !cursor.AtEOF() && !cursor.AtBOF(); cursor.GotoRecord(next)) {
    seen.push_back(cursor.CurrentRecord());
  }
  return seen;
}

TEST(DbfCursor, RelativeMovesPassOverDeletedRecords) {
  zakaz::testing::TempDir dir;
  WriteTable(dir.File("t.DBF"),
             {{"A", "    0", true}, {"B"}, {"C", "    0", true}, {"D"}, {"E", "    0", true}});
  TDbfCursor cursor(dir.File("t.DBF"), false, false);
  EXPECT_THAT(Walk(cursor, kGotoFirst, kGotoNext), ElementsAre(2, 4));
  EXPECT_THAT(Walk(cursor, kGotoLast, kGotoPrior), ElementsAre(4, 2));
  cursor.GotoRecord(3);  // a given number is read as it is
  EXPECT_EQ(3, cursor.CurrentRecord());
  cursor.GotoRecord(kGotoCurrent);  // the current one again: deleted, so on to the next
  EXPECT_EQ(4, cursor.CurrentRecord());
  cursor.SetUseDeleted(true);
  EXPECT_THAT(Walk(cursor, kGotoFirst, kGotoNext), ElementsAre(1, 2, 3, 4, 5));
}

TEST(DbfCursor, FilterInForceTakesTargetsFromTheSetAndCurrentIgnoresIt) {
  zakaz::testing::TempDir dir;
  WriteTable(dir.File("t.DBF"), RowsMatching(10, {3, 7}));
  TDbfCursor cursor(dir.File("t.DBF"), false, true);
  cursor.SetFilterActive(true);
  cursor.SetFilterExpression("QUANT>0", false, true);
  ASSERT_TRUE(cursor.FilterInForce());
  EXPECT_THAT(Walk(cursor, kGotoFirst, kGotoNext), ElementsAre(3, 7));
  EXPECT_THAT(Walk(cursor, kGotoLast, kGotoPrior), ElementsAre(7, 3));
  // Clearing record 3 through a write takes it out of the set at once.
  cursor.GotoRecord(3);
  cursor.PutNumber(3, 0);
  cursor.WriteRecord(3);
  EXPECT_FALSE(cursor.MatchSet()->Contains(3));
  cursor.GotoRecord(kGotoCurrent);
  EXPECT_EQ(3, cursor.CurrentRecord()) << "the re-read does not consult the set";
  EXPECT_THAT(Walk(cursor, kGotoFirst, kGotoNext), ElementsAre(7));
  // Switched off, the set keeps following writes.
  cursor.SetFilterActive(false);
  cursor.GotoRecord(9);
  cursor.PutNumber(3, 4);
  cursor.WriteRecord(9);
  cursor.SetFilterActive(true);
  EXPECT_THAT(Walk(cursor, kGotoFirst, kGotoNext), ElementsAre(7, 9));
}

TEST(DbfCursor, ScanReadsThroughTheBlock) {
  zakaz::testing::TempDir dir;
  WriteTable(dir.File("t.DBF"), RowsMatching(2000, {5, 1999}));
  TDbfCursor cursor(dir.File("t.DBF"), false, false);
  // NAME C(20), PRICE N(10,2), QUANT N(5,0): 36-byte records, 910 to a block.
  EXPECT_EQ(32760, cursor.BlockSize());
  const int64_t before = cursor.PlatformReads();
  cursor.SetFilterActive(true);
  cursor.SetFilterExpression("QUANT>0", false, true);
  // Each block serves all but its last slot: 909 records per platform read.
  EXPECT_EQ(3, cursor.PlatformReads() - before);
  EXPECT_FALSE(cursor.ReadAhead()) << "read-ahead is put back after the scan";
  EXPECT_EQ(2, cursor.MatchSet()->Count());
}

TEST(DbfCursor, ReadAheadServesReadsAndFollowsWrites) {
  zakaz::testing::TempDir dir;
  WriteTable(dir.File("t.DBF"), RowsMatching(50, {}));
  TDbfCursor cursor(dir.File("t.DBF"), false, true);
  cursor.SetReadAhead(true);
  const int64_t before = cursor.PlatformReads();
  for (int n = 1; n <= 50; ++n) cursor.GotoRecord(n);
  EXPECT_EQ(1, cursor.PlatformReads() - before);
  cursor.GotoRecord(10);
  cursor.PutText(1, "CHANGED");
  cursor.WriteRecord(10);
  cursor.GotoRecord(11);
  cursor.GotoRecord(10);
  EXPECT_EQ("CHANGED", cursor.GetString(1));
  EXPECT_EQ(1, cursor.PlatformReads() - before);
  cursor.SetReadAhead(false);
  cursor.GotoRecord(10);
  EXPECT_EQ(2, cursor.PlatformReads() - before);
}

// A small table's block holds its records and one slot more, so one read
// serves them all; records appended while read-ahead is on lie beyond the
// block and are read all the same, and the next scan's block holds them too.
TEST(DbfCursor, ReadAheadOfASmallTableServesItAllAndWhatIsAppended) {
  zakaz::testing::TempDir dir;
  WriteTable(dir.File("t.DBF"), RowsMatching(3, {2}));
  TDbfCursor cursor(dir.File("t.DBF"), false, true);
  cursor.SetReadAhead(true);
  const int64_t before = cursor.PlatformReads();
  for (int n = 1; n <= 3; ++n) cursor.GotoRecord(n);
  EXPECT_EQ(1, cursor.PlatformReads() - before);
  for (const std::string name : {"APPENDED1", "APPENDED2", "APPENDED3"}) {
    cursor.BlankRecord();
    cursor.PutText(1, name);
    cursor.AppendRecord();
  }
  cursor.GotoRecord(1);
  EXPECT_EQ("R1", cursor.GetString(1));
  for (int n = 4; n <= 6; ++n) {
    std::string expected = "APPENDED";
    expected += std::to_string(n - 3);
    cursor.GotoRecord(n);
    EXPECT_EQ(expected, cursor.GetString(1));
  }
  // The next scan's block holds the grown table.
  cursor.SetReadAhead(false);
  cursor.SetReadAhead(true);
  const int64_t grown = cursor.PlatformReads();
  for (int n = 1; n <= 6; ++n) cursor.GotoRecord(n);
  EXPECT_EQ(1, cursor.PlatformReads() - grown);
  EXPECT_EQ("APPENDED3", cursor.GetString(1));
  cursor.SetReadAhead(false);
}

}  // namespace
}  // namespace zakaz::dbf
