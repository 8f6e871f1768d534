// Copying: a new table with this dataset's columns, and records appended byte
// for byte to another open dataset.
#include <algorithm>
#include <cstring>
#include <vector>

#include "dbf/base/errors.h"
#include "dbf/dataset/dataset_internal.h"
#include "dbf/dataset/dataset_messages.h"
#include "dbf/dataset/dataset_table.h"
#include "dbf/dataset/table_dataset.h"
#include "dbf/table/dbf_builder.h"

namespace zakaz::dbf {
namespace msg = dataset_messages;

void TTableDataSet::CopyStructure(const std::string& file_name, int index_option) {
  (void)index_option;  // no index is ever made
  CheckActive();
  TDbfBuilder builder(file_name, table_->Version());
  for (const TDbfDescriptor& column : table_->Descriptors()) {
    const char type = column.type >= 'a' && column.type <= 'z' ? static_cast<char>(column.type - 32)
                                                               : column.type;
    const int width = type == 'C' ? column.raw[16] + 256 * column.raw[17] : column.raw[16];
    builder.AddField(column.name, column.type, width, column.raw[17]);
  }
  builder.Write();
}

void TTableDataSet::CopyRecordTo(TTableDataSet& destination) {
  CheckActive();
  LeaveEditing();
  if (!destination.Active()) throw EDatabaseError(msg::kDataSetClosed);
  if (window_.Empty()) ThrowPrefixed(msg::kRecordNotFound);
  destination.LeaveEditing();

  // The record image as stored: deletion flag and OEM bytes, no field
  // conversion. A destination with a shorter record gets no more than its
  // own length; a longer one is blank-filled.
  const TRowBuffer& row = *window_.ActiveRow();
  const int32_t recno = row.recno;
  TDataSetTable& target = *destination.table_;
  {
    TBufferLoan own(target, nullptr);
    const size_t source_length = static_cast<size_t>(table_->RecordLength());
    const size_t target_length = static_cast<size_t>(target.RecordLength());
    const size_t length = std::min(source_length, target_length);
    std::vector<uint8_t> image(row.record.begin(),
                               row.record.begin() + static_cast<std::ptrdiff_t>(length));
    uint8_t* buffer = target.RecordBuffer();
    std::memcpy(buffer, image.data(), length);
    if (target_length > length) std::memset(buffer + length, ' ', target_length - length);
    target.AppendRecord();
  }
  destination.MoveToRecord(target.RecordCount());
  destination.Resync(false);
  if (destination.AfterScroll) destination.AfterScroll(destination);
  if (&destination == this) return;

  // Refresh the source. Only the copied record can differ from what the
  // window shows (nothing else was written, and the file is ours alone), so
  // it alone is read again and matched against the filter again; a full
  // rescan here would make saving k rows of n cost k * n reads.
  TRowBuffer& current = *window_.ActiveRow();
  if (current.recno != recno) return;
  {
    TBufferLoan loan(*table_, current.record.data());
    table_->GotoRecord(recno);
    table_->UpdateMatch(recno);
  }
  cursor_index_ = window_.Active();
  CalculateFields(current, true);
}

}  // namespace zakaz::dbf
