#include "ordering/order_file_writer.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <set>
#include <stdexcept>
#include <string_view>
#include <system_error>

#include "common/ascii_text.h"
#include "common/atomic_file.h"
#include "common/file_path.h"
#include "common/format_message.h"
#include "common/unique_fd.h"
#include "common/working_files.h"
#include "dbf/dataset/table_dataset.h"

namespace zakaz {
namespace {

namespace fs = std::filesystem;

constexpr char kOrderExtension[] = ".DBF";
constexpr char kTemporarySuffix[] = ".tmp";
constexpr int kStampDigits = 4;
constexpr unsigned kStampValues = 0x10000;
constexpr char kUnusableClientCode[] = "Код клиента содержит недопустимые символы: %s";

// Names of the tables of the system directory `directory`, in lower case;
// none when it is missing. Order names always end in ".DBF", so only a
// table's name can be taken.
void CollectLowerNames(const char* directory, std::set<std::string>& names) {
  for (const TTableFile& file : ListTableFiles(ResolvePath(directory)))
    names.insert(AsciiLower(file.name));
}

[[noreturn]] void ThrowErrno(int error, const std::string& what) {
  throw std::system_error(error, std::generic_category(), what);
}

// Renames `from` to `to` unless `to` exists: a pending order of that name
// must never be replaced.
void RenameWithoutReplacing(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return;
  if (errno != EINVAL && errno != ENOSYS) ThrowErrno(errno, "rename to " + to);
  // A file system without the no-replace rename: a new hard link refuses an
  // existing name as well.
  if (::link(from.c_str(), to.c_str()) != 0) ThrowErrno(errno, "rename to " + to);
  ::unlink(from.c_str());
}

}  // namespace

std::string RefusedFileNameCharacters(std::string_view name) {
  std::string found;
  auto add = [&found](const std::string& shown) {
    if ((" " + found + " ").find(" " + shown + " ") != std::string::npos) return;
    if (!found.empty()) found += ' ';
    found += shown;
  };
  // A leading dot makes a name that file managers hide.
  if (!name.empty() && name.front() == '.') add(".");
  for (char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      add("#" + std::to_string(byte));
    } else if (std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos) {
      add(std::string(1, c));
    }
  }
  return found;
}

std::string FreeOrderFileName(const std::string& client_code, const std::string& stamp) {
  std::set<std::string> taken;
  CollectLowerNames(kDemandDirectory, taken);
  CollectLowerNames(kArchiveDirectory, taken);
  // The last four digits count; anything before them (a stamp of a far
  // century) is kept as it is.
  const size_t fixed_length = stamp.size() > kStampDigits ? stamp.size() - kStampDigits : 0;
  const std::string fixed = stamp.substr(0, fixed_length);
  const unsigned first =
      static_cast<unsigned>(std::strtoul(stamp.c_str() + fixed_length, nullptr, 16));
  std::string chosen;
  for (unsigned step = 0; step < kStampValues; ++step) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04X", (first + step) % kStampValues);
    const std::string name = client_code + fixed + digits + kOrderExtension;
    if (step == 0) chosen = name;
    if (taken.count(AsciiLower(name)) == 0) {
      chosen = name;
      break;
    }
  }
  return std::string(kDemandDirectory) + "\\" + chosen;
}

std::string TemporaryOrderFileName(const std::string& path) { return path + kTemporarySuffix; }

int WriteOrderFile(dbf::TTableDataSet& source, dbf::TTableDataSet& order_table,
                   const std::string& path, const std::function<void()>& before_rename) {
  // The client code comes from the settings dialog and becomes part of the
  // file name: a separator in it would put the order outside "demand" (or
  // make a name the send cannot deliver), so such a code is refused.
  const std::string refused = RefusedFileNameCharacters(path.substr(path.find('\\') + 1));
  if (!refused.empty()) throw std::runtime_error(FormatMessage(kUnusableClientCode, {refused}));
  const std::string temporary = TemporaryOrderFileName(path);
  const std::string temporary_path = ResolvePath(temporary);
  int rows = 0;
  try {
    order_table.SetTableName(temporary);
    order_table.SetExclusive(true);
    source.CopyStructure(temporary, 0);
    order_table.Open();
    for (; !source.Eof(); source.Next()) {
      source.CopyRecordTo(order_table);
      ++rows;
    }
    order_table.Close();
    if (rows > 0) {
      SyncToDisk(temporary_path);
      if (before_rename) before_rename();
      const std::string final_path = ResolvePath(path);
      RenameWithoutReplacing(temporary_path, final_path);
      // Makes the rename itself durable. The order is complete under its
      // name at this point, so a failure here is no failed save.
      UniqueFd directory(
          ::open(fs::path(final_path).parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
      if (directory) ::fsync(directory.Get());
    } else {
      ::unlink(temporary_path.c_str());
    }
  } catch (const std::exception&) {
    // The first failure is the one reported; closing a table whose write
    // just failed may fail again and is only tidying up.
    try {
      if (order_table.Active()) order_table.Close();
    } catch (const std::exception&) {
    }
    ::unlink(temporary_path.c_str());
    throw;
  }
  return rows;
}

void RemoveLeftoverOrderFiles() {
  std::error_code ec;
  fs::directory_iterator it(ResolvePath(kDemandDirectory), ec);
  if (ec) return;
  const std::string suffix = AsciiLower(std::string(kOrderExtension) + kTemporarySuffix);
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    std::error_code type_ec;
    if (!it->is_regular_file(type_ec)) continue;
    if (EndsWithIgnoringAsciiCase(it->path().filename().string(), suffix)) {
      fs::remove(it->path(), type_ec);
    }
  }
}

}  // namespace zakaz
