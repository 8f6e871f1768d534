#include "dbf/dataset/dataset_visible_rows.h"

#include <algorithm>
#include <utility>

namespace zakaz::dbf {

int32_t TVisibleRows::RowOf(int32_t recno) const {
  auto it = std::lower_bound(records_.begin(), records_.end(), recno);
  return it != records_.end() && *it == recno ? static_cast<int32_t>(it - records_.begin()) : -1;
}

void TVisibleRowList::Build(std::vector<int32_t> records) {
  rows_.records_ = std::move(records);
  rows_.built_ = true;
}

void TVisibleRowList::Forget(bool release_memory) {
  rows_.records_.clear();
  if (release_memory) rows_.records_.shrink_to_fit();
  rows_.built_ = false;
}

TVisibleRowList::TChange TVisibleRowList::RecordWritten(int32_t recno, bool visible) {
  TChange change;
  if (!rows_.built_) return change;
  auto& records = rows_.records_;
  auto it = std::lower_bound(records.begin(), records.end(), recno);
  const bool present = it != records.end() && *it == recno;
  change.row = static_cast<int32_t>(it - records.begin());
  if (visible && !present) {
    records.insert(it, recno);
    change.kind = TChange::TKind::kInserted;
  } else if (!visible && present) {
    records.erase(it);
    change.kind = TChange::TKind::kRemoved;
  } else {
    change.row = -1;
  }
  return change;
}

}  // namespace zakaz::dbf
