#include "support/price_tables.h"

#include <sys/stat.h>
#include <utime.h>

#include <fstream>
#include <iterator>

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
    table.FieldByName("Kod").SetAsString(row.kod);
    table.Post();
  }
  table.Close();
}

std::vector<int> ReadQuantities(const std::string& path) {
  dbf::TTableDataSet table("Reader");
  table.SetTableName(path);
  table.Open();
  std::vector<int> out;
  for (table.First(); !table.Eof(); table.Next())
    out.push_back(table.FieldByName("QUANT").AsInteger());
  table.Close();
  return out;
}

std::vector<std::string> StoredRecords(const std::string& path) {
  const std::string bytes = ReadFile(path);
  auto number = [&bytes](size_t at, size_t width) {
    size_t value = 0;
    for (size_t i = width; i-- > 0;) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
  };
  const size_t count = number(4, 4);
  const size_t header = number(8, 2);
  const size_t length = number(10, 2);
  std::vector<std::string> records;
  for (size_t i = 0; i < count; ++i)
    records.push_back(bytes.substr(header + i * length + 1, length - 1));
  return records;
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
