// The dataset's side of the visible-row list: building it and keeping it in
// step with the records that are written. Views read the list through
// TVisibleRows (dataset_view.h); only its dataset changes it.
//
// The list is either built (it holds every visible record number, in
// ascending order) or not yet built (it holds nothing, and the next reader
// has the dataset scan the table). Single-threaded, owned by its dataset.
#pragma once

#include <cstdint>
#include <vector>

#include "dbf/dataset/dataset_view.h"

namespace zakaz::dbf {

class TVisibleRowList {
 public:
  // What a written record did to the list: joined it or left it at `row`,
  // or neither (it kept its place, or stayed out, or the list is not built).
  struct TChange {
    enum class TKind { kNone, kInserted, kRemoved };
    TKind kind = TKind::kNone;
    int32_t row = -1;
  };

  const TVisibleRows& Rows() const { return rows_; }
  bool Built() const { return rows_.built_; }
  // `records`: the visible record numbers, ascending.
  void Build(std::vector<int32_t> records);
  // Back to not built; `release_memory` also gives the storage back (a
  // closing dataset, where a 100,000-row list should not linger).
  void Forget(bool release_memory = false);
  // Record `recno` was written and is now `visible` or not.
  TChange RecordWritten(int32_t recno, bool visible);

 private:
  TVisibleRows rows_;
};

}  // namespace zakaz::dbf
