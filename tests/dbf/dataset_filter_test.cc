// Filtering: the match set, switching, the worked example of a loop that
// clears every quantity it visits, rejected filter texts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dataset_test_util.h"
#include "dbf/base/errors.h"
#include "dbf/dataset/dataset_table.h"
#include "dbf/table/code_page.h"
#include "support/temp_dir.h"

namespace zakaz::dbf {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using testing::RowsMatching;
using ::testing::StrEq;
using ::testing::ThrowsMessage;
using testing::TRecordingView;
using testing::TRow;
using testing::WindowRecords;
using testing::WriteTable;

struct TLoopCase {
  const char* name;
  int32_t window;
  bool disable_controls;
  bool bookmark_away_and_back;
};

class ClearQuantitiesLoop : public ::testing::TestWithParam<TLoopCase> {};

// Matching records 4, 9 and 15 of 20: the loop First / Edit / QUANT := 0 /
// Post / Next visits each exactly once, in order, although every Post takes
// the row out of the filter.
TEST_P(ClearQuantitiesLoop, VisitsEveryMatchingRowOnce) {
  const TLoopCase& c = GetParam();
  zakaz::testing::TempDir dir;
  WriteTable(dir.File("price.DBF"), RowsMatching(20, {4, 9, 15}));
  TTableDataSet ds("PriceTable");
  TRecordingView view(c.window);
  ds.AttachView(&view);
  ds.SetTableName(dir.File("price.DBF"));
  ds.SetFilter("QUANT>0");
  ds.SetFiltered(true);
  ds.Open();
  if (c.disable_controls) ds.DisableControls();

  std::vector<int32_t> visited;
  ds.First();
  while (!ds.Eof()) {
    visited.push_back(ds.RecNo());
    ds.Edit();
    ds.FieldByName("QUANT").SetAsInteger(0);
    ds.Post();
    EXPECT_EQ(visited.back(), ds.RecNo()) << "the posted row stays current";
    if (c.bookmark_away_and_back) {
      const TBookmark mark = ds.GetBookmark();
      ds.Last();
      ds.GotoBookmark(mark);
      EXPECT_EQ(visited.back(), ds.RecNo());
    }
    ds.Next();
  }
  EXPECT_THAT(visited, ElementsAre(4, 9, 15));
  EXPECT_EQ(15, ds.RecNo());
  ds.First();
  EXPECT_TRUE(ds.Eof());
  EXPECT_TRUE(ds.Bof());
  EXPECT_TRUE(ds.IsEmpty());
  if (c.disable_controls) ds.EnableControls();
  ds.Close();
  ds.DetachView(&view);

  // Every quantity is 0 on file.
  TDbfColumns table(dir.File("price.DBF"), false, false);
  for (int n = 1; n <= table.RecordCount(); ++n) {
    table.GotoRecord(n);
    EXPECT_EQ(0, table.GetNumber(3)) << n;
  }
}

INSTANTIATE_TEST_SUITE_P(Windows, ClearQuantitiesLoop,
                         ::testing::Values(TLoopCase{"OneRow", 1, false, false},
                                           TLoopCase{"ThirtyRows", 30, false, false},
                                           TLoopCase{"TwoRows", 2, false, false},
                                           TLoopCase{"ViewsDisabled", 1, true, false},
                                           TLoopCase{"BookmarkOneRow", 1, false, true},
                                           TLoopCase{"BookmarkThreeRows", 3, false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

class FilterTest : public ::testing::Test {
 protected:
  void Open(TTableDataSet& ds, const char* filter = "QUANT>0", bool filtered = true) {
    ds.SetTableName(dir_.File("price.DBF"));
    ds.SetExclusive(true);
    ds.SetFilter(filter);
    ds.SetFiltered(filtered);
    ds.Open();
  }
  void Write(const std::vector<TRow>& rows) { WriteTable(dir_.File("price.DBF"), rows); }
  std::vector<int32_t> Walk(TTableDataSet& ds) {
    std::vector<int32_t> seen;
    for (ds.First(); !ds.Eof(); ds.Next()) seen.push_back(ds.RecNo());
    return seen;
  }
  void SetQuant(TTableDataSet& ds, int32_t recno, int32_t quant) {
    ds.SetRecNo(recno);
    ASSERT_EQ(recno, ds.RecNo());
    ds.Edit();
    ds.FieldByName("QUANT").SetAsInteger(quant);
    ds.Post();
  }

  zakaz::testing::TempDir dir_;
};

TEST_F(FilterTest, QuantOfBlanksZeroOrNegativeDoesNotMatch) {
  Write({{"A", "    1"}, {"B", "     "}, {"C", "    0"}, {"D", "   -1"}, {"E", "   15"}});
  TTableDataSet ds;
  Open(ds);
  EXPECT_THAT(Walk(ds), ElementsAre(1, 5));
  EXPECT_FALSE(ds.IsSequenced());
}

TEST_F(FilterTest, NameFilterFindsTypedCyrillicText) {
  Write({{Utf8ToCp866("АСПИРИН УПСА")}, {Utf8ToCp866("Аспирин")}, {Utf8ToCp866("НОШПА")}});
  TTableDataSet ds;
  Open(ds, "");
  ds.SetFilter("Name = '*" + Utf8ToCp1251("АСПИРИН") + "*'");
  EXPECT_THAT(Walk(ds), ElementsAre(1));
  ds.SetFilter("Name = '**'");
  EXPECT_THAT(Walk(ds), ElementsAre(1, 2, 3));
}

// A table whose visible records do not satisfy the filter, or that has none.
TEST_F(FilterTest, NothingToShowGivesEofAndBofAtOnce) {
  const std::vector<std::vector<TRow>> tables = {
      {},
      {{"A"}, {"B"}},
      {{"A", "    3", true}, {"B", "    4", true}},
  };
  for (const auto& rows : tables) {
    SCOPED_TRACE(rows.size());
    Write(rows);
    TTableDataSet ds;
    Open(ds);
    EXPECT_TRUE(ds.Eof() && ds.Bof() && ds.IsEmpty());
    ds.First();
    EXPECT_TRUE(ds.Eof() && ds.Bof() && ds.IsEmpty());
    EXPECT_EQ(static_cast<int32_t>(rows.size()), ds.RecordCount());
    EXPECT_EQ(0, ds.VisibleRows().Count());
  }
}

// Posting a row out of the filter keeps it current; a move inside the window
// may come back to it, but no fetch brings it back.
TEST_F(FilterTest, PostedRowThatLeavesTheFilterStaysCurrentUntilLeft) {
  Write(RowsMatching(6, {2, 3, 5}));
  for (int32_t window : {1, 3}) {
    SCOPED_TRACE(window);
    TTableDataSet ds;
    TRecordingView view(window);
    ds.AttachView(&view);
    Open(ds);
    ds.Next();  // 3
    ds.Edit();
    ds.FieldByName("QUANT").SetAsInteger(0);
    ds.Post();
    EXPECT_EQ(3, ds.RecNo());
    ds.Next();
    EXPECT_EQ(5, ds.RecNo());
    ds.Prior();
    EXPECT_EQ(window == 1 ? 2 : 3, ds.RecNo()) << "inside the window the row is still there";
    ds.First();
    EXPECT_THAT(Walk(ds), ElementsAre(2, 5));
    ds.DetachView(&view);
    SetQuant(ds, 3, 1);  // put it back for the next round
    ds.Close();
  }
}

TEST_F(FilterTest, SwitchingOffAndOnReusesTheSetWithoutAScan) {
  Write(RowsMatching(8, {2, 4}));
  TTableDataSet ds;
  Open(ds);
  EXPECT_THAT(Walk(ds), ElementsAre(2, 4));
  ds.SetFiltered(false);
  ds.SetFilter("");
  EXPECT_THAT(Walk(ds), ElementsAre(1, 2, 3, 4, 5, 6, 7, 8));
  SetQuant(ds, 2, 0);
  SetQuant(ds, 7, 3);
  const int64_t reads = ds.Table()->RecordReads();
  ds.SetFilter("QUANT>0");  // stored only: Filtered is false
  ds.SetFiltered(true);
  EXPECT_EQ(reads + 1, ds.Table()->RecordReads()) << "only First fills its one-row window";
  EXPECT_THAT(Walk(ds), ElementsAre(4, 7));
}

TEST_F(FilterTest, FilteredTrueAgainStillMovesToTheFirstRow) {
  Write(RowsMatching(5, {2, 4}));
  TTableDataSet ds;
  Open(ds);
  ds.Next();
  EXPECT_EQ(4, ds.RecNo());
  ds.SetFiltered(true);
  EXPECT_EQ(2, ds.RecNo());
}

TEST_F(FilterTest, AppendedRecordJoinsTheSetAtOnce) {
  Write(RowsMatching(3, {1}));
  TTableDataSet ds;
  Open(ds);
  ds.Append();
  ds.FieldByName("QUANT").SetAsInteger(0);
  ds.Post();
  EXPECT_EQ(4, ds.RecNo()) << "after its Post it is current even when it does not match";
  ds.Append();
  ds.FieldByName("QUANT").SetAsInteger(9);
  ds.Post();
  EXPECT_THAT(Walk(ds), ElementsAre(1, 5));
}

struct TBadFilter {
  const char* text;
  const char* message;
};

// A rejected text leaves the filter out of force and forgotten: every row is
// visible, a later write does not fail, and setting the text again reports
// the fault again.
TEST_F(FilterTest, RejectedTextsLeaveNoFilterBehind) {
  Write({{"A", "    1"}, {"B", "    0"}, {"C", "    2"}});
  const TBadFilter cases[] = {
      {"QUANT >", "Syntax Error in expression \"QUANT >\""},
      {"QUANT > 'x'", "The two sides of an operation do not match"},
      {"QUANT", "Filter expression must return boolean result"},
      {"NOSUCH > 1", "There is no function for NOSUCH"},
      {"Name = '*O'Brien*'", "Syntax Error in expression \"Name = '*O'Brien*'\""},
  };
  for (const TBadFilter& c : cases) {
    SCOPED_TRACE(c.text);
    TTableDataSet ds;
    Open(ds);
    EXPECT_THAT(Walk(ds), ElementsAre(1, 3));
    EXPECT_THAT([&] { ds.SetFilter(c.text); }, ThrowsMessage<std::runtime_error>(StrEq(c.message)));
    EXPECT_EQ("QUANT>0", ds.Filter()) << "the property keeps its old text";
    EXPECT_TRUE(ds.Filtered());
    EXPECT_FALSE(ds.Table()->FilterInForce());
    EXPECT_THAT(Walk(ds), ElementsAre(1, 2, 3));
    ds.SetRecNo(2);
    ds.Edit();
    ds.FieldByName("QUANT").SetAsInteger(0);
    EXPECT_NO_THROW(ds.Post());
    EXPECT_THAT([&] { ds.SetFilter(c.text); }, ThrowsMessage<std::runtime_error>(StrEq(c.message)));
    ds.Close();
  }
}

// A number column that does not read as a number stops the scan; the
// filter is then not in force.
TEST_F(FilterTest, UnreadableNumberStopsTheScan) {
  Write({{"A", "    1"}, {"B", "  1,5"}, {"C", "    2"}});
  TTableDataSet ds;
  Open(ds, "", true);
  EXPECT_THAT(
      [&] { ds.SetFilter("QUANT>0"); },
      ThrowsMessage<ETableError>(StrEq("Invalid numeric value in field price->QUANT (  1,5)")));
  EXPECT_FALSE(ds.Table()->FilterInForce());
  EXPECT_THAT(Walk(ds), ElementsAre(1, 2, 3));
}

// Asterisks alone are a number its writer had no value for: no match, and
// the scan goes on past them.
TEST_F(FilterTest, UnsetNumberReadsAsZero) {
  Write({{"A", "    1"}, {"B", "*****"}, {"C", "    2"}});
  TTableDataSet ds;
  Open(ds, "QUANT>0", true);
  EXPECT_THAT(Walk(ds), ElementsAre(1, 3));
  ds.SetFilter("QUANT=0");
  EXPECT_THAT(Walk(ds), ElementsAre(2));
  EXPECT_TRUE(ds.FieldByName("QUANT").IsNull());
  EXPECT_EQ(0, ds.FieldByName("QUANT").AsInteger());
  EXPECT_EQ("", ds.FieldByName("QUANT").AsString());
}

TEST_F(FilterTest, FaultyTextIsReportedOnlyWhenFilteringStarts) {
  Write(RowsMatching(3, {2}));
  TTableDataSet ds;
  Open(ds, "QUANT >", false);
  ds.SetFilter("QUANT > 'x'");
  EXPECT_THAT([&] { ds.SetFiltered(true); },
              ThrowsMessage<EExpressionError>(StrEq("The two sides of an operation do not match")));
  EXPECT_TRUE(ds.Filtered()) << "Filtered stays true";
  EXPECT_THAT(Walk(ds), ElementsAre(1, 2, 3));
}

TEST_F(FilterTest, OpeningWithFilteredTrueAppliesTheStoredText) {
  Write(RowsMatching(5, {3}));
  TTableDataSet ds;
  Open(ds);
  EXPECT_EQ(3, ds.RecNo());
  ds.Close();
  WriteTable(dir_.File("other.DBF"), RowsMatching(5, {1, 5}));
  ds.SetTableName(dir_.File("other"));
  ds.Open();
  EXPECT_THAT(Walk(ds), ElementsAre(1, 5));
}

TEST_F(FilterTest, RefreshRescansTheSet) {
  Write(RowsMatching(4, {1}));
  TTableDataSet ds;
  Open(ds);
  {
    // Another writer would need the file; exclusive opens keep everyone out,
    // so a rebuild must find exactly what the upkeep already knew.
    ds.Refresh();
  }
  EXPECT_THAT(Walk(ds), ElementsAre(1));
  EXPECT_EQ(1, ds.Table()->MatchSet()->Count());
}

// OnFilterRecord narrows the rows further while Filtered is set; its
// handler reads the record just read.
TEST_F(FilterTest, OnFilterRecordAddsItsOwnTest) {
  Write(RowsMatching(6, {1, 2, 3, 4}));
  TTableDataSet ds;
  std::vector<TDataSetState> states;
  ds.OnFilterRecord = [&](TTableDataSet& d, bool& accept) {
    states.push_back(d.State());
    accept = d.FieldByName("NAME").AsString() != "R2";
  };
  Open(ds);
  EXPECT_THAT(Walk(ds), ElementsAre(1, 3, 4));
  EXPECT_FALSE(states.empty());
  EXPECT_EQ(TDataSetState::dsFilter, states.front());
  EXPECT_EQ(3, ds.VisibleRows().Count());
  ds.SetFiltered(false);
  EXPECT_THAT(Walk(ds), ElementsAre(1, 2, 3, 4, 5, 6))
      << "the handler is asked only while filtered";
}

// The visible-row list follows posts record by record.
TEST_F(FilterTest, VisibleRowsFollowPosts) {
  Write(RowsMatching(6, {2, 4, 6}));
  TTableDataSet ds;
  TRecordingView view(2);
  ds.AttachView(&view);
  Open(ds);
  const TVisibleRows& rows = ds.VisibleRows();
  EXPECT_EQ(3, rows.Count());
  EXPECT_EQ(4, rows.RecordAt(1));
  EXPECT_EQ(2, rows.RowOf(6));
  EXPECT_EQ(-1, rows.RowOf(3));
  view.log.clear();
  ds.SetRecNo(4);
  ds.Edit();
  ds.FieldByName("QUANT").SetAsInteger(0);
  ds.Post();
  EXPECT_THAT(view.log, ::testing::Contains("row removed 1 4"));
  EXPECT_EQ(2, rows.Count());
  ds.SetFiltered(false);
  EXPECT_EQ(6, ds.VisibleRows().Count());
  SetQuant(ds, 4, 5);
  ds.SetFiltered(true);
  EXPECT_THAT(std::vector<int32_t>({ds.VisibleRows().RecordAt(0), ds.VisibleRows().RecordAt(1),
                                    ds.VisibleRows().RecordAt(2)}),
              ElementsAre(2, 4, 6));
  view.log.clear();
  ds.Append();
  ds.FieldByName("QUANT").SetAsInteger(1);
  ds.Post();
  EXPECT_THAT(view.log, ::testing::Contains("row inserted 3 7"));
  EXPECT_EQ(4, ds.VisibleRows().Count());
  ds.DetachView(&view);
}

}  // namespace
}  // namespace zakaz::dbf
