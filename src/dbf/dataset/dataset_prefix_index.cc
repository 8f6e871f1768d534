#include "dbf/dataset/dataset_prefix_index.h"

#include <algorithm>
#include <array>

namespace zakaz::dbf {

uint64_t TPrefixIndex::KeyOf(const unsigned char* folded, size_t length) {
  uint64_t key = 0;
  for (int i = 0; i < kKeyBytes; ++i) {
    key = (key << 8) | (static_cast<size_t>(i) < length ? folded[i] : 0);
  }
  return key;
}

void TPrefixIndex::Build(int32_t field, std::vector<uint64_t> keys) {
  field_ = field;
  const size_t count = keys.size();
  std::vector<int32_t> recnos(count);
  for (size_t i = 0; i < count; ++i) recnos[i] = static_cast<int32_t>(i + 1);
  // Least significant byte first: stable, so equal keys keep their records
  // in ascending order. A byte every key shares costs no pass.
  std::vector<uint64_t> keys_to(count);
  std::vector<int32_t> recnos_to(count);
  std::array<std::array<size_t, 257>, 8> starts{};
  for (uint64_t key : keys) {
    for (size_t b = 0; b < 8; ++b) ++starts[b][((key >> (8 * b)) & 0xFF) + 1];
  }
  for (size_t b = 0; b < 8; ++b) {
    std::array<size_t, 257>& start = starts[b];
    if (std::find(start.begin() + 1, start.end(), count) != start.end()) continue;
    for (size_t d = 1; d < start.size(); ++d) start[d] += start[d - 1];
    for (size_t i = 0; i < count; ++i) {
      const size_t at = start[(keys[i] >> (8 * b)) & 0xFF]++;
      keys_to[at] = keys[i];
      recnos_to[at] = recnos[i];
    }
    keys.swap(keys_to);
    recnos.swap(recnos_to);
  }
  keys_ = std::move(keys);
  recnos_ = std::move(recnos);
}

bool TPrefixIndex::Holds(int32_t recno, uint64_t key) const {
  auto first = std::lower_bound(keys_.begin(), keys_.end(), key);
  auto last = std::upper_bound(first, keys_.end(), key);
  auto from = recnos_.begin() + (first - keys_.begin());
  auto to = recnos_.begin() + (last - keys_.begin());
  return std::binary_search(from, to, recno);
}

void TPrefixIndex::ForEachCandidate(const unsigned char* folded, size_t length,
                                    const std::function<void(int32_t recno)>& on_record) const {
  const size_t used = std::min<size_t>(length, kKeyBytes);
  std::array<unsigned char, kKeyBytes> high{};
  std::fill(high.begin(), high.end(), 0xFF);
  std::copy(folded, folded + used, high.begin());
  const uint64_t low_key = KeyOf(folded, used);
  const uint64_t high_key = KeyOf(high.data(), kKeyBytes);
  auto first = std::lower_bound(keys_.begin(), keys_.end(), low_key);
  auto last = std::upper_bound(first, keys_.end(), high_key);
  for (auto it = first; it != last; ++it)
    on_record(recnos_[static_cast<size_t>(it - keys_.begin())]);
}

}  // namespace zakaz::dbf
