#include "ordering/price_list_check.h"

#include <cstdint>
#include <fstream>
#include <stdexcept>

#include "dbf/dataset/table_dataset.h"
#include "ordering/price_row.h"

namespace zakaz {

namespace {

// The table engine reads what a cut-off file still holds, so a list that
// lost its tail on the way would pass as a shorter list; the header says how
// long the file must be.
void RequireLengthOfHeader(const std::filesystem::path& table) {
  std::ifstream in(table, std::ios::binary);
  unsigned char header[12] = {};
  if (!in.read(reinterpret_cast<char*>(header), sizeof header)) {
    throw std::runtime_error("нет заголовка таблицы");
  }
  const uint64_t records =
      header[4] | header[5] << 8 | header[6] << 16 | static_cast<uint64_t>(header[7]) << 24;
  const uint64_t header_length = header[8] | header[9] << 8;
  const uint64_t record_length = header[10] | header[11] << 8;
  std::error_code error;
  const uint64_t size = std::filesystem::file_size(table, error);
  if (error || size < header_length + records * record_length) {
    throw std::runtime_error("таблица короче, чем сказано в её заголовке");
  }
}

}  // namespace

void ProvePriceListTable(const std::filesystem::path& table) {
  RequireLengthOfHeader(table);
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
