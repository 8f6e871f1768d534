#include "ordering/pending_orders.h"

#include <cerrno>
#include <cstdio>
#include <system_error>

#include "common/file_path.h"
#include "dbf/dataset/table_dataset.h"
#include "ordering/price_row.h"

namespace zakaz {
namespace {

constexpr char kPriceListFile[] = "price.dbf";

}  // namespace

void ReopenPriceList(dbf::TTableDataSet& price_table) {
  price_table.Close();
  price_table.SetTableName(kPriceListFile);
  price_table.Open();
}

void DeletePendingOrder(dbf::TTableDataSet& price_table, const std::string& file_name) {
  ReopenPriceList(price_table);
  const std::string path = ResolvePath("demand\\" + file_name);
  if (std::remove(path.c_str()) != 0 && errno != ENOENT) {
    throw std::system_error(errno, std::generic_category(), "delete " + path);
  }
}

void WriteOrderComment(dbf::TTableDataSet& order, const std::string& comment) {
  order.First();
  order.Edit();
  order.FieldByName(kFieldComment).SetAsString(comment);
  order.Post();
}

}  // namespace zakaz
