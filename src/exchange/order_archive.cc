#include "exchange/order_archive.h"

#include <unistd.h>

#include <algorithm>
#include <system_error>

#include "common/working_files.h"
#include "exchange/durable_file.h"
#include "exchange/remote_names.h"

namespace zakaz::exchange {
namespace {

namespace fs = std::filesystem;

// Enough for years of orders under one name; past it the order stays pending.
constexpr int kMaxNameVariants = 1000;

fs::path NameVariant(const fs::path& archive, const std::string& name, int variant) {
  if (variant == 0) return archive / name;
  const fs::path bare(name);
  return archive /
         (bare.stem().string() + "_" + std::to_string(variant) + bare.extension().string());
}

// A hard link never replaces an existing file, so it names the whole copy
// atomically under the first name still free.
bool LinkUnderFreeName(const fs::path& copy, const fs::path& archive, const std::string& name) {
  for (int variant = 0; variant < kMaxNameVariants; ++variant) {
    const fs::path target = NameVariant(archive, name, variant);
    if (::link(copy.c_str(), target.c_str()) == 0) return true;
    if (errno != EEXIST) return false;
  }
  return false;
}

}  // namespace

std::vector<std::string> PendingOrderNames(const fs::path& demand) {
  std::vector<std::string> names;
  for (const TTableFile& file : ListTableFiles(demand.string())) {
    // A name with a line break could never go out as one command; it stays.
    if (file.name.find_first_of("\r\n") == std::string::npos) names.push_back(file.name);
  }
  return names;
}

bool ArchiveOrder(const fs::path& order, const fs::path& archive) {
  const std::string name = order.filename().string();
  const fs::path copy = archive / ("." + name + ".part");
  std::error_code error;
  fs::remove(copy, error);
  if (!fs::copy_file(order, copy, error) || error) {
    fs::remove(copy, error);
    return false;
  }
  const auto order_size = fs::file_size(order, error);
  // The order in `demand` is the only copy until the archived one and its
  // name are on the disk.
  const bool whole = !error && fs::file_size(copy, error) == order_size && !error && SyncFile(copy);
  const bool linked = whole && LinkUnderFreeName(copy, archive, name);
  fs::remove(copy, error);
  if (!linked || !SyncDirectory(archive)) return false;
  fs::remove(order, error);
  return true;
}

}  // namespace zakaz::exchange
