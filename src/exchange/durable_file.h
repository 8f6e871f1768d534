// Waiting for the disk before a step that cannot be undone: a waybill is
// deleted on the server, or an order's file in `demand` is unlinked, only
// once its copy and the folder entry naming it are on the disk, so a power
// cut right after cannot lose the only copy.
#pragma once

#include <filesystem>

namespace zakaz::exchange {

// fsync of the file's contents; false when it cannot be opened or flushed.
bool SyncFile(const std::filesystem::path& file);
// fsync of the folder, so the names made or changed in it stay.
bool SyncDirectory(const std::filesystem::path& directory);

}  // namespace zakaz::exchange
