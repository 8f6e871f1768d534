// Pieces shared by the dataset's implementation files; not part of the
// public surface.
#pragma once

#include <cstdint>
#include <vector>

#include "dbf/dataset/table_dataset.h"
#include "dbf/table/dbf_file.h"

namespace zakaz::dbf {

// Rounds halves to the even neighbour, saturating at the 64-bit range: how
// whole-number fields read a stored number.
int64_t RoundToWhole(double value);

enum class TBookmarkFlag { kCurrent, kBeforeFirst, kAfterLast, kInserted };

// One buffered row of the window: the record image as stored (deletion flag
// first, OEM text, one spare byte), the calculated-field area, and the
// cursor information.
struct TRowBuffer {
  std::vector<uint8_t> record;
  std::vector<uint8_t> calc;
  int32_t recno = 0;
  TBookmarkFlag flag = TBookmarkFlag::kCurrent;
  TBookmark bookmark{};
};

// Points the table object's record buffer at `buffer` for the scope and
// puts back whatever it pointed at before (loans nest: a field read inside
// a calculation inside a fetch). nullptr lends the table its own buffer.
class TBufferLoan {
 public:
  TBufferLoan(TDbfFile& table, uint8_t* buffer) : table_(table), previous_(table.RecordBuffer()) {
    table_.LendRecordBuffer(buffer);
  }
  ~TBufferLoan() { table_.LendRecordBuffer(previous_); }
  TBufferLoan(const TBufferLoan&) = delete;
  TBufferLoan& operator=(const TBufferLoan&) = delete;

 private:
  TDbfFile& table_;
  uint8_t* previous_;
};

}  // namespace zakaz::dbf
