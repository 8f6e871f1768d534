#include "exchange/order_archive.h"

#include <unistd.h>

#include <algorithm>
#include <system_error>

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
  std::error_code error;
  for (fs::directory_iterator it(demand, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    std::error_code ignored;
    // A name with a line break could never go out as one command; it stays.
    const bool one_line = name.find_first_of("\r\n") == std::string::npos;
    if (one_line && HasDbfExtension(name) && it->is_regular_file(ignored)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
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
