// Unpacking the supplier's packed price list on this platform: either the
// pharmacy's own script (`unpuk.sh` in the working directory, letter case
// ignored), started and not waited for, or, without one, the program's own
// unpacker over libarchive, which streams the table to its file: memory use
// does not grow with the price list.
//
// The archive's format is told by its content, not its name, so a ZIP sent
// as price.rar unpacks too. The one table in it (`price.dbf`, any letter
// case, in any folder of the archive) replaces the working directory's price
// list only once it has been written whole under a temporary name beside it
// and has passed `prove_table`; on every failure the old price list stays as
// it was and the temporary file is gone.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace zakaz::exchange {

// The table taken out of an archive, with the modification time the archive
// gives it (the supplier's date of the price list), when it gives one.
struct TPriceEntry {
  std::string content;
  std::optional<timespec> modified;
};

// Reads the archive `bytes` and returns its one price table. Throws
// EUnpackError with the reason (a damaged or foreign archive, no table or
// several, a table larger than `max_size`).
TPriceEntry ReadPriceEntry(std::string_view bytes, uint64_t max_size);

// Opens the file as the main window would open the price list and reads it
// through; throws with the reason when it is no usable price list.
using TPriceTableCheck = std::function<void(const std::filesystem::path& table)>;

// The pharmacy's unpack script in `working_dir` (`unpuk.sh`, any letter
// case), when there is one. A `unpuk.bat` is a Windows batch file, brought
// along in a working folder copied from Windows: it is never run here.
std::optional<std::filesystem::path> FindUnpackScript(const std::filesystem::path& working_dir);
bool HasWindowsUnpackScript(const std::filesystem::path& working_dir);
// Starts `script` with /bin/sh in `working_dir`, without arguments, and does
// not wait for it; its outcome is not checked.
void StartUnpackScript(const std::filesystem::path& script,
                       const std::filesystem::path& working_dir);

// Replaces the price list of `working_dir` (its entry named price.dbf in any
// letter case, else "price.DBF") with the table of `archive`. Returns the
// reason when the old list was kept, nothing on success.
std::optional<std::string> UnpackPriceList(const std::filesystem::path& archive,
                                           const std::filesystem::path& working_dir,
                                           const TPriceTableCheck& prove_table);

}  // namespace zakaz::exchange
