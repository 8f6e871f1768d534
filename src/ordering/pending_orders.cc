#include "ordering/pending_orders.h"

#include <cerrno>
#include <cstdio>
#include <system_error>

#include "common/file_path.h"
#include "common/working_files.h"
#include "dbf/dataset/table_dataset.h"
#include "ordering/price_list.h"
#include "ordering/price_row.h"

namespace zakaz {
void DeletePendingOrder(TPriceList& price_list, const std::string& file_name) {
  price_list.OpenPriceList();
  const std::string path = ResolvePath(std::string(kDemandDirectory) + "\\" + file_name);
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
