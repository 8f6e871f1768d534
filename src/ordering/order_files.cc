#include "ordering/order_files.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "common/file_path.h"
#include "common/working_files.h"

namespace zakaz {
bool PriceListExists() {
  std::error_code ec;
  return std::filesystem::is_regular_file(ResolvePath(kPriceListFile), ec);
}

std::vector<std::string> ListPendingOrders() {
  std::vector<std::string> names;
  for (const TTableFile& file : ListTableFiles(ResolvePath(kDemandDirectory)))
    names.push_back(file.name);
  return names;
}

}  // namespace zakaz
