#include "dbf/base/huge_set.h"

#include <gtest/gtest.h>

#include <set>

namespace zakaz::dbf {
namespace {

TEST(HugeSet, NewSetIsEmptyWithHighMarkMinusOne) {
  THugeSet set;
  EXPECT_EQ(-1, set.HighMark());
  EXPECT_FALSE(set.Contains(1));
  EXPECT_EQ(0, set.NextMember(1, 1000));
  EXPECT_EQ(0u, set.PageBytes());
}

TEST(HugeSet, ExcludeRaisesHighMarkAndCreatesPagesUpToIt) {
  THugeSet set;
  set.Exclude(300000);  // third page
  EXPECT_EQ(300000, set.HighMark());
  EXPECT_EQ(3u * 16384, set.PageBytes());
  EXPECT_FALSE(set.Contains(300000));
  EXPECT_EQ(0, set.Count());
}

TEST(HugeSet, ContainsIsFalseAboveHighMark) {
  THugeSet set;
  set.Include(5);
  EXPECT_TRUE(set.Contains(5));
  EXPECT_FALSE(set.Contains(6));
  EXPECT_FALSE(set.Contains(0));
  EXPECT_FALSE(set.Contains(-3));
}

TEST(HugeSet, ClearKeepsPagesButForgetsMembersAndHighMark) {
  THugeSet set;
  set.Include(131072);
  set.Include(7);
  set.Clear();
  EXPECT_EQ(-1, set.HighMark());
  EXPECT_EQ(0, set.Count());
  EXPECT_FALSE(set.Contains(7));
  EXPECT_EQ(2u * 16384, set.PageBytes());
  set.Include(131072);
  EXPECT_TRUE(set.Contains(131072));
  EXPECT_FALSE(set.Contains(7));
}

TEST(HugeSet, CountFollowsOnlyRealFlips) {
  THugeSet set;
  set.Include(4);
  set.Include(4);
  set.Exclude(9);
  set.Include(9);
  set.Exclude(4);
  set.Exclude(4);
  EXPECT_EQ(1, set.Count());
}

// Members around word and page boundaries, searched forwards and backwards
// against a plain std::set.
TEST(HugeSet, NextAndPriorMemberAgreeWithAnOrderedSet) {
  const int32_t members[] = {1, 63, 64, 65, 127, 128, 131071, 131072, 131073, 262143, 262145};
  THugeSet set;
  std::set<int32_t> reference;
  for (int32_t n : members) {
    set.Include(n);
    reference.insert(n);
  }
  set.Exclude(300000);
  for (int32_t from = 0; from <= 300001; ++from) {
    if (from > 300 && from % 977 != 0 && !reference.count(from) && !reference.count(from - 1) &&
        !reference.count(from + 1)) {
      continue;  // keep the loop short away from the interesting numbers
    }
    SCOPED_TRACE(from);
    auto next = reference.lower_bound(from);
    EXPECT_EQ(next == reference.end() ? 0 : *next, set.NextMember(from, 300001));
    auto prior = reference.upper_bound(from);
    EXPECT_EQ(prior == reference.begin() ? 0 : *std::prev(prior), set.PriorMember(from, 1));
  }
}

TEST(HugeSet, SearchesStopAtTheirBounds) {
  THugeSet set;
  set.Include(10);
  set.Include(200);
  EXPECT_EQ(0, set.NextMember(11, 199));
  EXPECT_EQ(200, set.NextMember(11, 200));
  EXPECT_EQ(0, set.PriorMember(199, 11));
  EXPECT_EQ(10, set.PriorMember(199, 10));
  EXPECT_EQ(0, set.NextMember(201, 100000));
  EXPECT_EQ(200, set.PriorMember(100000, 1));
}

}  // namespace
}  // namespace zakaz::dbf
