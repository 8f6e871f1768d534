#include "app/price_tables.h"

#include <sys/stat.h>
#include <utime.h>

#include "dbf/dataset/table_dataset.h"
#include "sample_price_list.h"

namespace zakaz::testing {

void WritePriceTable(const std::string& path, const std::vector<PriceRow>& rows) {
  dbf::CreateEmptyTable(path, dbf::PriceListColumns());
  dbf::TTableDataSet table("Writer");
  table.SetTableName(path);
  table.Open();
  for (const auto& row : rows) {
    table.Append();
    table.FieldByName("NAME").SetAsString(row.name);
    table.FieldByName("PROIZVOD").SetAsString(row.proizvod);
    table.FieldByName("PRICE").SetAsFloat(row.price);
    table.FieldByName("KOL").SetAsInteger(row.kol);
    table.FieldByName("QUANT").SetAsInteger(row.quant);
    table.FieldByName("SROK").SetAsString(row.srok);
    table.FieldByName("NDS").SetAsInteger(row.nds);
    table.FieldByName("FASOVKA").SetAsString(row.fasovka);
    table.FieldByName("FLAG").SetAsInteger(row.flag);
    table.Post();
  }
  table.Close();
}

std::vector<int> ReadQuantities(const std::string& path) {
  dbf::TTableDataSet table("Reader");
  table.SetTableName(path);
  table.Open();
  std::vector<int> out;
  for (table.First(); !table.Eof(); table.Next()) out.push_back(table.FieldByName("QUANT").AsInteger());
  table.Close();
  return out;
}

WorkingDirectory::WorkingDirectory(const std::filesystem::path& dir)
    : old_(std::filesystem::current_path()) {
  std::filesystem::current_path(dir);
}

WorkingDirectory::~WorkingDirectory() { std::filesystem::current_path(old_); }

void SetFileTime(const std::string& path, std::time_t time) {
  utimbuf times{time, time};
  ::utime(path.c_str(), &times);
}

std::time_t FileTime(const std::string& path) {
  struct stat st {};
  ::stat(path.c_str(), &st);
  return st.st_mtime;
}

}  // namespace zakaz::testing
