#include "dbf/dataset/dataset_table.h"

#include "dbf/dataset/table_dataset.h"

namespace zakaz::dbf {

TDataSetTable::TDataSetTable(TTableDataSet& owner, std::string_view file_name, bool shared,
                             bool read_write)
    : TDbfCursor(file_name, shared, read_write), owner_(owner) {}

bool TDataSetTable::AcceptRecord() { return owner_.AcceptRecord(); }

void TDataSetTable::Notify(TNotifyEvent event, int value) {
  if (event == TNotifyEvent::kBeforeWrite) owner_.RecordToBeWritten(value);
  TDbfCursor::Notify(event, value);
  if (event == TNotifyEvent::kAfterWrite) owner_.RecordWritten(CurrentRecord());
}

}  // namespace zakaz::dbf
