// TDataSetTable: the table object a TTableDataSet opens, a TDbfCursor that
// knows its owning dataset.
//
// The dataset owns it (created on opening, destroyed on closing) and outlives
// it. It asks the dataset whether a record passes OnFilterRecord, and tells
// the dataset about every record written so the dataset's visible-row list
// stays exact.
#pragma once

#include <string_view>

#include "dbf/table/dbf_cursor.h"

namespace zakaz::dbf {

class TTableDataSet;

class TDataSetTable : public TDbfCursor {
 public:
  TDataSetTable(TTableDataSet& owner, std::string_view file_name, bool shared, bool read_write);

  // Asks the dataset (OnFilterRecord, when assigned and Filtered is set).
  bool AcceptRecord() override;
  void Notify(TNotifyEvent event, int value) override;

 private:
  TTableDataSet& owner_;
};

}  // namespace zakaz::dbf
