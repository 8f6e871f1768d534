#include "ordering/price_list_check.h"

#include "dbf/dataset/table_dataset.h"
#include "ordering/price_row.h"

namespace zakaz {

void ProvePriceListTable(const std::filesystem::path& table) {
  dbf::TTableDataSet dataset("PriceCheck");
  ConfigurePriceTable(dataset);
  dataset.SetTableName(table.string());
  dataset.SetReadOnly(true);
  dataset.Open();
  // Every record is read once, so a table cut short or with damaged records
  // fails here rather than in the grid.
  for (dataset.First(); !dataset.Eof(); dataset.Next()) {
    for (int32_t i = 0; i < dataset.FieldCount(); ++i) (void)dataset.Fields(i).AsString();
  }
  dataset.Close();
}

}  // namespace zakaz
