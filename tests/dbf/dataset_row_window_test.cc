// The dataset's row window and visible-row list on their own, without a
// table: each window step must keep the rows in table order, keep the active
// row where the dataset expects it, and recycle buffers instead of losing or
// duplicating one. Rows are told apart by the record number written into
// each buffer as it joins.
#include "dbf/dataset/dataset_row_window.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "dbf/dataset/dataset_internal.h"
#include "dbf/dataset/dataset_visible_rows.h"

namespace zakaz::dbf {
namespace {

using ::testing::ElementsAre;

std::vector<int32_t> Records(const TRowWindow& window) {
  std::vector<int32_t> records;
  for (int32_t i = 0; i < window.Filled(); ++i) records.push_back(window.Row(i).recno);
  return records;
}

// Every buffer, window rows and scratch, is a distinct one of the `expected`.
void ExpectDistinctBuffers(const TRowWindow& window, size_t expected) {
  std::set<const TRowBuffer*> buffers{&window.Scratch()};
  for (int32_t i = 0; i < window.Filled(); ++i) buffers.insert(&window.Row(i));
  EXPECT_EQ(static_cast<size_t>(window.Filled()) + 1, buffers.size());
  EXPECT_LE(buffers.size(), expected);
}

void Append(TRowWindow& window, int32_t recno) {
  window.Scratch().recno = recno;
  window.AppendScratch();
}

void Prepend(TRowWindow& window, int32_t recno) {
  window.Scratch().recno = recno;
  window.PrependScratch();
}

void Allocate(TRowWindow& window, int32_t capacity) {
  window.Resize(capacity);
  window.Allocate(5, 2);
}

TEST(RowWindow, AppendingPastAFullWindowDropsTheFirstRowAndReusesItsBuffer) {
  TRowWindow window;
  Allocate(window, 3);
  EXPECT_TRUE(window.Empty());
  EXPECT_EQ(nullptr, window.ActiveRow());
  Append(window, 1);
  EXPECT_EQ(0, window.Active());
  Append(window, 2);
  Append(window, 3);
  window.SetActive(2);
  const TRowBuffer* first = &window.Row(0);
  Append(window, 4);
  EXPECT_THAT(Records(window), ElementsAre(2, 3, 4));
  EXPECT_EQ(2, window.Active());
  EXPECT_EQ(first, &window.Scratch());
  ExpectDistinctBuffers(window, 4);
  // A fresh buffer has the shape it was allocated with.
  EXPECT_EQ(std::vector<uint8_t>(5, ' '), window.NewRow()->record);
  EXPECT_EQ(std::vector<uint8_t>(2, 0), window.NewRow()->calc);
}

TEST(RowWindow, PrependingKeepsTheActiveRowUntilTheWindowIsFull) {
  TRowWindow window;
  Allocate(window, 3);
  Prepend(window, 5);
  EXPECT_EQ(0, window.Active());
  Prepend(window, 4);
  EXPECT_EQ(1, window.Active());  // still record 5
  Prepend(window, 3);
  EXPECT_EQ(5, window.ActiveRow()->recno);
  Prepend(window, 2);  // full: record 5 leaves, the active index stays
  EXPECT_THAT(Records(window), ElementsAre(2, 3, 4));
  EXPECT_EQ(2, window.Active());
  ExpectDistinctBuffers(window, 4);

  window.Scratch().recno = 9;
  window.StartWithScratch();
  EXPECT_THAT(Records(window), ElementsAre(9));
  EXPECT_EQ(0, window.Active());
  ExpectDistinctBuffers(window, 4);
}

TEST(RowWindow, InsertingAndRemovingAtTheActiveRow) {
  struct Case {
    const char* name;
    int32_t filled;  // rows 1..filled before the insert
    int32_t active;
    std::vector<int32_t> after_insert;
    int32_t active_after_insert;
    std::vector<int32_t> after_remove;
    int32_t active_after_remove;
  };
  const Case cases[] = {
      {"empty", 0, 0, {0}, 0, {}, 0},
      {"middle of a part-filled window", 2, 1, {1, 0, 2}, 1, {1, 2}, 1},
      {"full window: the last row leaves", 3, 1, {1, 0, 2}, 1, {1, 2}, 1},
      {"last row of a full window", 3, 2, {1, 2, 0}, 2, {1, 2}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TRowWindow window;
    Allocate(window, 3);
    for (int32_t recno = 1; recno <= c.filled; ++recno) Append(window, recno);
    window.SetActive(c.active);
    window.Scratch().recno = 0;
    TRowBuffer& fresh = window.InsertScratchAtActive();
    EXPECT_EQ(&fresh, window.ActiveRow());
    EXPECT_EQ(c.after_insert, Records(window));
    EXPECT_EQ(c.active_after_insert, window.Active());
    ExpectDistinctBuffers(window, 4);
    window.RemoveActive();
    EXPECT_EQ(c.after_remove, Records(window));
    EXPECT_EQ(c.active_after_remove, window.Active());
    ExpectDistinctBuffers(window, 4);
  }
}

TEST(RowWindow, ResizingKeepsTheActiveRow) {
  TRowWindow window;
  Allocate(window, 5);
  for (int32_t recno = 1; recno <= 5; ++recno) Append(window, recno);
  window.SetActive(3);  // record 4
  window.Resize(2);     // rows before the active one leave first
  EXPECT_THAT(Records(window), ElementsAre(3, 4));
  EXPECT_EQ(4, window.ActiveRow()->recno);
  window.SetActive(0);
  window.Resize(1);  // then rows after it
  EXPECT_THAT(Records(window), ElementsAre(3));
  window.Resize(4);
  EXPECT_THAT(Records(window), ElementsAre(3));
  EXPECT_EQ(4, window.Capacity());
  for (int32_t recno = 4; recno <= 6; ++recno) Append(window, recno);
  EXPECT_THAT(Records(window), ElementsAre(3, 4, 5, 6));
  ExpectDistinctBuffers(window, 5);

  window.Release();
  EXPECT_TRUE(window.Empty());
  window.Resize(2);  // without buffers only the capacity changes
  EXPECT_EQ(2, window.Capacity());
}

TEST(VisibleRowList, WrittenRecordsJoinAndLeaveInOrder) {
  TVisibleRowList list;
  using TKind = TVisibleRowList::TChange::TKind;
  // Not built yet: nothing to keep up to date.
  EXPECT_EQ(TKind::kNone, list.RecordWritten(3, true).kind);
  EXPECT_FALSE(list.Built());

  list.Build({2, 5, 9});
  EXPECT_EQ(1, list.Rows().RowOf(5));
  EXPECT_EQ(-1, list.Rows().RowOf(4));
  struct Step {
    int32_t recno;
    bool visible;
    TKind kind;
    int32_t row;
  };
  const Step steps[] = {
      {4, true, TKind::kInserted, 1}, {4, true, TKind::kNone, -1},
      {9, false, TKind::kRemoved, 3}, {7, false, TKind::kNone, -1},
      {1, true, TKind::kInserted, 0}, {10, true, TKind::kInserted, 4},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.recno);
    const TVisibleRowList::TChange change = list.RecordWritten(s.recno, s.visible);
    EXPECT_EQ(s.kind, change.kind);
    EXPECT_EQ(s.row, change.row);
  }
  std::vector<int32_t> rows;
  for (int32_t i = 0; i < list.Rows().Count(); ++i) rows.push_back(list.Rows().RecordAt(i));
  EXPECT_THAT(rows, ElementsAre(1, 2, 4, 5, 10));

  list.Forget(true);
  EXPECT_FALSE(list.Built());
  EXPECT_EQ(0, list.Rows().Count());
}

}  // namespace
}  // namespace zakaz::dbf
