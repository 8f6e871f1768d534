#include "ordering/order_files.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "common/ascii_text.h"
#include "common/file_path.h"

namespace zakaz {
namespace {

bool EndsWithDbf(const std::string& name) { return EndsWithIgnoringAsciiCase(name, ".dbf"); }

}  // namespace

bool PriceListExists() {
  std::error_code ec;
  return std::filesystem::is_regular_file(ResolvePath("price.dbf"), ec);
}

std::vector<std::string> ListPendingOrders() {
  std::vector<std::string> names;
  std::error_code ec;
  std::filesystem::directory_iterator it(ResolvePath("demand"), ec);
  if (ec) return names;
  for (; it != std::filesystem::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    const std::string name = it->path().filename().string();
    std::error_code type_ec;
    if (name.empty() || name[0] == '.' || !it->is_regular_file(type_ec)) continue;
    if (EndsWithDbf(name)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace zakaz
