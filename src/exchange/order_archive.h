// The local side of sending orders: which files of `demand` are pending, and
// moving a sent order into `archive` so that it is never lost on the way.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace zakaz::exchange {

// The names of the regular files in `demand` ending in ".dbf" in any letter
// case, hidden and read-only ones included, in byte order; names holding CR
// or LF are left out. Empty when the directory cannot be read.
std::vector<std::string> PendingOrderNames(const std::filesystem::path& demand);

// Copies `order` into `archive` under its name, or under the first free
// variant "<name>_1.dbf", "<name>_2.dbf"... when an earlier order holds it,
// then removes `order`. The copy is written under a temporary name and takes
// its final name only once whole, and no existing file is replaced; `order`
// is removed only once the copy and its name are flushed to the disk. False,
// with `order` untouched, when the copy cannot be made (no `archive`, a full
// disk).
bool ArchiveOrder(const std::filesystem::path& order, const std::filesystem::path& archive);

}  // namespace zakaz::exchange
