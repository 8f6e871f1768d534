#include "print/print_table.h"

#include <string>

#include "dbf/dataset/table_dataset.h"
#include "ordering/price_display.h"

namespace zakaz {
namespace {

// Position of the field `name` (letter case ignored) in the dataset's field
// list, which is also its place in a record's values; -1 when absent.
int FieldIndex(const dbf::TTableDataSet& dataset, const std::string& name) {
  const dbf::TField* field = dataset.FindField(name);
  for (int32_t f = 0; field != nullptr && f < dataset.FieldCount(); ++f) {
    if (&dataset.Fields(f) == field) return f;
  }
  return -1;
}

// Suspends the views and puts the cursor back on the remembered row on every
// way out, so a failed walk leaves the grid as it was.
class WalkGuard {
 public:
  explicit WalkGuard(dbf::TTableDataSet& dataset)
      : dataset_(dataset), had_row_(!dataset.IsEmpty()) {
    dataset_.DisableControls();
    if (had_row_) mark_ = dataset_.GetBookmark();
  }
  ~WalkGuard() {
    try {
      if (had_row_) dataset_.GotoBookmark(mark_);
    } catch (const std::exception&) {
      // The row went away meanwhile; the cursor stays where the walk ended.
    }
    dataset_.EnableControls();
  }
  WalkGuard(const WalkGuard&) = delete;
  WalkGuard& operator=(const WalkGuard&) = delete;

 private:
  dbf::TTableDataSet& dataset_;
  bool had_row_;
  dbf::TBookmark mark_{};
};

}  // namespace

PrintTable CollectPrintTable(dbf::TTableDataSet& dataset, const std::vector<GridColumn>& columns,
                             const DataSetModel::RowColourRule& cell_colour, const QString& title) {
  PrintTable table;
  table.title = title;
  std::vector<int> fields;
  for (const GridColumn& column : columns) {
    if (!column.visible) continue;
    table.columns.push_back(column);
    fields.push_back(FieldIndex(dataset, column.field));
  }
  const size_t count = table.columns.size();
  std::vector<CurrencySum> sums(count);

  {
    WalkGuard guard(dataset);
    for (dataset.First(); !dataset.Eof(); dataset.Next()) {
      const dbf::TRecordValues values = dataset.PeekRecord(dataset.RecNo());
      PrintRow row;
      row.cells.reserve(count);
      for (size_t c = 0; c < count; ++c) {
        const int field = fields[c];
        if (field < 0 || field >= static_cast<int>(values.values.size())) {
          row.cells.emplace_back();
          continue;
        }
        const dbf::TFieldValue& value = values.values[static_cast<size_t>(field)];
        row.cells.push_back(GridCellText(table.columns[c], value));
        sums[c].Add(value.number);
      }
      if (cell_colour) row.colour = cell_colour(values);
      table.rows.push_back(std::move(row));
    }
  }

  table.footer.resize(count);
  for (size_t c = 0; c < count; ++c) {
    const GridColumn& column = table.columns[c];
    if (column.footer == GridColumn::Footer::kText) {
      table.footer[c] = column.footer_text;
    } else if (column.footer == GridColumn::Footer::kSum) {
      dbf::TFieldValue sum;
      sum.is_null = false;
      sum.number = sums[c].Value();
      table.footer[c] = GridCellText(column, sum);
    }
  }
  return table;
}

}  // namespace zakaz
