// THugeSet: the set of record numbers that satisfy a table's filter.
//
// A bit map in pages of 16,384 bytes, each page covering 131,072 consecutive
// record numbers. Pages are created zero-filled on first use, every page up to
// the one of the highest number touched, and are kept by Clear, so a table of
// n records costs n / 8 bytes however often its filter is rebuilt. The high
// mark is the highest number ever included or excluded (-1 when new or
// cleared); Contains answers false above it without looking at a page.
//
// Beyond the four named operations the set keeps its member count exact on
// every flip and answers "next member from" / "prior member from" a word at a
// time, which is what navigation and the grid's visible-row list need. The set
// owns its pages; it is movable, not copyable.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace zakaz::dbf {

class THugeSet {
 public:
  static constexpr int32_t kPageBytes = 16384;
  static constexpr int32_t kNumbersPerPage = kPageBytes * 8;

  THugeSet() = default;
  THugeSet(const THugeSet&) = delete;
  THugeSet& operator=(const THugeSet&) = delete;
  THugeSet(THugeSet&&) noexcept = default;
  THugeSet& operator=(THugeSet&&) noexcept = default;

  // Zeroes every page (pages are kept) and sets the high mark to -1.
  void Clear();
  // Set or clear the bit of n (n >= 1; smaller numbers are ignored) and raise
  // the high mark to n when n is above it; excluding raises it too.
  void Include(int32_t n);
  void Exclude(int32_t n);
  // False when n is above the high mark or below 1, otherwise the bit.
  bool Contains(int32_t n) const;

  int32_t HighMark() const { return high_mark_; }
  // Number of members, kept exact by Include and Exclude.
  int32_t Count() const { return count_; }
  // Bytes held by pages.
  size_t PageBytes() const { return pages_.size() * static_cast<size_t>(kPageBytes); }

  // Smallest member in [from, to], or 0 when there is none.
  int32_t NextMember(int32_t from, int32_t to) const;
  // Largest member in [down_to, from], or 0 when there is none.
  int32_t PriorMember(int32_t from, int32_t down_to) const;

 private:
  static constexpr int32_t kWordsPerPage = kPageBytes / 8;

  uint64_t* WordFor(int32_t n);  // creates pages as needed
  uint64_t WordAt(int32_t word_index) const;

  std::vector<std::unique_ptr<uint64_t[]>> pages_;
  int32_t high_mark_ = -1;
  int32_t count_ = 0;
};

}  // namespace zakaz::dbf
