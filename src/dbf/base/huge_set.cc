#include "dbf/base/huge_set.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace zakaz::dbf {

void THugeSet::Clear() {
  for (auto& page : pages_) std::memset(page.get(), 0, kPageBytes);
  high_mark_ = -1;
  count_ = 0;
}

uint64_t* THugeSet::WordFor(int32_t n) {
  const size_t page = static_cast<size_t>(n) / kNumbersPerPage;
  while (pages_.size() <= page) {
    pages_.push_back(std::make_unique<uint64_t[]>(kWordsPerPage));  // zero-filled
  }
  const int32_t word = (n % kNumbersPerPage) / 64;
  return &pages_[page][word];
}

uint64_t THugeSet::WordAt(int32_t word_index) const {
  const size_t page = static_cast<size_t>(word_index) / kWordsPerPage;
  if (page >= pages_.size()) return 0;
  return pages_[page][word_index % kWordsPerPage];
}

void THugeSet::Include(int32_t n) {
  if (n < 1) return;
  uint64_t* word = WordFor(n);
  const uint64_t bit = uint64_t{1} << (n % 64);
  if ((*word & bit) == 0) {
    *word |= bit;
    ++count_;
  }
  high_mark_ = std::max(high_mark_, n);
}

void THugeSet::Exclude(int32_t n) {
  if (n < 1) return;
  uint64_t* word = WordFor(n);
  const uint64_t bit = uint64_t{1} << (n % 64);
  if ((*word & bit) != 0) {
    *word &= ~bit;
    --count_;
  }
  high_mark_ = std::max(high_mark_, n);
}

bool THugeSet::Contains(int32_t n) const {
  if (n < 1 || n > high_mark_) return false;
  return (WordAt(n / 64) >> (n % 64)) & 1;
}

int32_t THugeSet::NextMember(int32_t from, int32_t to) const {
  from = std::max(from, 1);
  to = std::min(to, high_mark_);
  if (from > to) return 0;
  int32_t word_index = from / 64;
  // Bits below `from` in its word do not count.
  uint64_t word = WordAt(word_index) & (~uint64_t{0} << (from % 64));
  const int32_t last_word = to / 64;
  while (true) {
    if (word != 0) {
      const int32_t n = word_index * 64 + std::countr_zero(word);
      return n <= to ? n : 0;
    }
    if (++word_index > last_word) return 0;
    word = WordAt(word_index);
  }
}

int32_t THugeSet::PriorMember(int32_t from, int32_t down_to) const {
  from = std::min(from, high_mark_);
  down_to = std::max(down_to, 1);
  if (from < down_to) return 0;
  int32_t word_index = from / 64;
  const int shift = 63 - from % 64;
  uint64_t word = WordAt(word_index) & (~uint64_t{0} >> shift);
  const int32_t first_word = down_to / 64;
  while (true) {
    if (word != 0) {
      const int32_t n = word_index * 64 + 63 - std::countl_zero(word);
      return n >= down_to ? n : 0;
    }
    if (--word_index < first_word) return 0;
    word = WordAt(word_index);
  }
}

}  // namespace zakaz::dbf
