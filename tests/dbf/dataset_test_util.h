// Small tables for the dataset tests, written through the engine, and a view
// that records what the dataset tells it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dbf/dataset/dataset_view.h"
#include "dbf/dataset/table_dataset.h"
#include "dbf/table/dbf_columns.h"
#include "sample_price_list.h"

namespace zakaz::dbf::testing {

// One row of a test table: NAME (OEM bytes), QUANT as the text stored in the
// column (so blanks can be written), a deletion mark.
struct TRow {
  std::string name;
  std::string quant = "    0";
  bool deleted = false;
};

// NAME C(20), PRICE N(10,2), QUANT N(5,0).
inline std::vector<TColumnSpec> SmallColumns() {
  return {{"NAME", 'C', 20, 0}, {"PRICE", 'N', 10, 2}, {"QUANT", 'N', 5, 0}};
}

inline void WriteTable(const std::string& path, const std::vector<TRow>& rows,
                       const std::vector<TColumnSpec>& columns = SmallColumns()) {
  CreateEmptyTable(path, columns);
  TDbfColumns table(path, false, true);
  for (const TRow& row : rows) {
    table.BlankRecord();
    table.PutText(1, row.name);
    if (const int price = table.FieldNumber("PRICE"); price != 0) table.PutNumber(price, 12.5);
    if (const int quant = table.FieldNumber("QUANT"); quant != 0) table.PutText(quant, row.quant);
    table.AppendRecord();
    if (row.deleted) table.DeleteRecord();
  }
}

// `count` rows named R<n>; the rows whose numbers are in `matching` get
// QUANT 1, the others 0.
inline std::vector<TRow> RowsMatching(int count, const std::vector<int>& matching) {
  std::vector<TRow> rows;
  for (int n = 1; n <= count; ++n) {
    TRow row;
    row.name = "R";  // appended, not "R" + ...: GCC 12 warns falsely on that (-Wrestrict)
    row.name += std::to_string(n);
    for (int m : matching) {
      if (m == n) row.quant = "    1";
    }
    rows.push_back(row);
  }
  return rows;
}

// A view asking for `rows` rows that writes down every notice.
class TRecordingView : public TDataSetView {
 public:
  explicit TRecordingView(int32_t rows = 1) : rows_(rows) {}
  void SetRows(int32_t rows) { rows_ = rows; }
  int32_t WindowRows() const override { return rows_; }
  void DataSetChanged() override { log.push_back("changed"); }
  void DataSetScrolled(int32_t distance) override {
    log.push_back("scrolled " + std::to_string(distance));
  }
  void StateChanged() override { log.push_back("state"); }
  void FieldChanged(const TField& field) override { log.push_back("field " + field.FieldName()); }
  void VisibleRowsReset() override { log.push_back("rows reset"); }
  void VisibleRowInserted(int32_t row, int32_t recno) override {
    log.push_back("row inserted " + std::to_string(row) + " " + std::to_string(recno));
  }
  void VisibleRowRemoved(int32_t row, int32_t recno) override {
    log.push_back("row removed " + std::to_string(row) + " " + std::to_string(recno));
  }
  void RecordWritten(int32_t recno) override { log.push_back("written " + std::to_string(recno)); }

  std::vector<std::string> log;

 private:
  int32_t rows_;
};

// Record numbers of the window's rows.
inline std::vector<int32_t> WindowRecords(const TTableDataSet& ds) {
  std::vector<int32_t> records;
  for (int32_t i = 0; i < ds.WindowRowCount(); ++i) records.push_back(ds.WindowRecNo(i));
  return records;
}

}  // namespace zakaz::dbf::testing
