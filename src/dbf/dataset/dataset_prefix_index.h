// The dataset's index for the incremental search: every record of one
// opening (deleted ones included) ordered by the first bytes of one string
// column, letter case folded as the search compares letters.
//
// Built once per opening, on the first search, from one pass over the file;
// it holds eight folded bytes and the record number per record (12 bytes).
// Names are not written by the program, so the index normally lives until
// the table is closed; a write that changes the indexed bytes of a record,
// or a record appended, makes the dataset drop it, and the next search
// builds it again. Visibility (filter, deleted rows) is not in the index:
// the search asks the shown rows. Single-threaded, owned by its dataset.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace zakaz::dbf {

class TPrefixIndex {
 public:
  // Bytes of each record's key.
  static constexpr int kKeyBytes = 8;

  // `keys[i]` is the key of record i + 1: its first kKeyBytes folded bytes,
  // the first in the highest byte, zero-padded when the text is shorter.
  void Build(int32_t field, std::vector<uint64_t> keys);
  int32_t Field() const { return field_; }
  // Records covered: 1 .. Records().
  int32_t Records() const { return static_cast<int32_t>(recnos_.size()); }
  // Whether record `recno` is indexed under `key`.
  bool Holds(int32_t recno, uint64_t key) const;
  // Calls `on_record` with every record whose key begins with the first
  // min(length, kKeyBytes) bytes of `folded`, in no particular order.
  void ForEachCandidate(const unsigned char* folded, size_t length,
                        const std::function<void(int32_t recno)>& on_record) const;

  // The key of a folded text.
  static uint64_t KeyOf(const unsigned char* folded, size_t length);

 private:
  int32_t field_ = -1;
  std::vector<uint64_t> keys_;   // ascending
  std::vector<int32_t> recnos_;  // ascending within equal keys
};

}  // namespace zakaz::dbf
