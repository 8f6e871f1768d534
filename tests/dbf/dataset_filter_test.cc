// Filtering: the match set, switching, the worked example of a loop that
// clears every quantity it visits, rejected filter texts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dataset_test_util.h"
#include "dbf/dataset_table.h"
#include "dbf/errors.h"
#include "support/temp_dir.h"

namespace zakaz::dbf {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::StrEq;
using ::testing::ThrowsMessage;
using testing::TRecordingView;
using testing::TRow;
using testing::WindowRecords;
using testing::WriteTable;
using testing::RowsMatching;

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

}  // namespace
}  // namespace zakaz::dbf
