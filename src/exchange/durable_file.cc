#include "exchange/durable_file.h"

#include <fcntl.h>
#include <unistd.h>

#include "common/unique_fd.h"

namespace zakaz::exchange {
namespace {

bool Sync(const std::filesystem::path& path, int flags) {
  const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | flags));
  return fd.Valid() && ::fsync(fd.Get()) == 0;
}

}  // namespace

bool SyncFile(const std::filesystem::path& file) { return Sync(file, 0); }

bool SyncDirectory(const std::filesystem::path& directory) { return Sync(directory, O_DIRECTORY); }

}  // namespace zakaz::exchange
