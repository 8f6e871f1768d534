#include "exchange/price_unpacker.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "common/ascii_text.h"
#include "common/file_path.h"
#include "common/format_message.h"
#include "common/unique_fd.h"
#include "exchange/durable_file.h"
#include "exchange/errors.h"
#include "exchange/messages.h"
#include "exchange/remote_names.h"

namespace zakaz::exchange {
namespace {

namespace fs = std::filesystem;

// A price list of a few hundred thousand rows is some tens of megabytes.
constexpr uint64_t kMaxPriceTableSize = uint64_t{1} << 30;
constexpr char kPriceTableName[] = "price.dbf";
constexpr char kDefaultPriceListName[] = "price.DBF";

// The last component of an archive path, whichever separator the packer used.
std::string_view LastComponent(std::string_view path) {
  const size_t separator = path.find_last_of("/\\");
  return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

struct ArchiveReadDeleter {
  void operator()(archive* reader) const { archive_read_free(reader); }
};
using ArchiveReader = std::unique_ptr<archive, ArchiveReadDeleter>;

[[noreturn]] void Damaged(archive* reader) {
  const char* text = archive_error_string(reader);
  throw EUnpackError(FormatMessage(messages::kDamagedArchive, {text ? text : "?"}));
}

// The entry in `directory` named `name` ignoring letter case, else `name`.
fs::path EntryIgnoringCase(const fs::path& directory, const std::string& name) {
  return ResolvePath((directory / name).string());
}

void WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) throw std::system_error(errno, std::generic_category());
    bytes.remove_prefix(static_cast<size_t>(written));
  }
}

// A temporary file beside the price list, removed unless it was renamed.
class TemporaryTable {
 public:
  explicit TemporaryTable(const fs::path& directory) {
    std::string pattern = (directory / "price.new.XXXXXX").string();
    fd_ = UniqueFd(::mkstemp(pattern.data()));
    if (!fd_.Valid()) throw std::system_error(errno, std::generic_category());
    path_ = pattern;
  }
  ~TemporaryTable() {
    if (!renamed_) ::unlink(path_.c_str());
  }
  TemporaryTable(const TemporaryTable&) = delete;
  TemporaryTable& operator=(const TemporaryTable&) = delete;

  const fs::path& Path() const { return path_; }
  void Write(std::string_view block) { WriteAll(fd_.Get(), block); }
  void Finish(const std::optional<timespec>& modified) {
    // The table is read by other programs as it stands; group and others may
    // read it as they could read the old one.
    ::fchmod(fd_.Get(), 0644);
    if (modified) {
      const timespec times[2] = {*modified, *modified};
      ::futimens(fd_.Get(), times);
    }
    if (::fsync(fd_.Get()) != 0) throw std::system_error(errno, std::generic_category());
    fd_.Reset();
  }
  void RenameTo(const fs::path& target) {
    fs::rename(path_, target);
    renamed_ = true;
  }

 private:
  UniqueFd fd_;
  fs::path path_;
  bool renamed_ = false;
};

ArchiveReader NewReader() {
  ArchiveReader reader(archive_read_new());
  if (!reader) throw EUnpackError(FormatMessage(messages::kDamagedArchive, {"no memory"}));
  archive_read_support_filter_all(reader.get());
  archive_read_support_format_all(reader.get());
  return reader;
}

// Reads the opened archive to its end and hands the blocks of its one price
// table to `sink` as they come; returns the table's date when the archive
// gives one. Throws EUnpackError as ReadPriceEntry.
template <class Sink>
std::optional<timespec> ScanPriceEntry(archive* reader, uint64_t max_size, Sink&& sink) {
  bool found = false;
  std::optional<timespec> modified;
  for (;;) {
    archive_entry* entry = nullptr;
    const int status = archive_read_next_header(reader, &entry);
    if (status == ARCHIVE_EOF) break;
    if (status < ARCHIVE_WARN) Damaged(reader);
    const char* path = archive_entry_pathname(entry);
    if (path == nullptr || archive_entry_filetype(entry) != AE_IFREG ||
        !EqualIgnoringAsciiCase(LastComponent(path), kPriceTableName)) {
      continue;
    }
    if (found) throw EUnpackError(messages::kSeveralPriceTables);
    found = true;
    if (archive_entry_mtime_is_set(entry)) {
      modified = timespec{archive_entry_mtime(entry), archive_entry_mtime_nsec(entry)};
    }
    std::vector<char> block(65536);
    uint64_t size = 0;
    for (;;) {
      const la_ssize_t got = archive_read_data(reader, block.data(), block.size());
      if (got < 0) Damaged(reader);
      if (got == 0) break;
      size += static_cast<uint64_t>(got);
      if (size > max_size) throw EUnpackError(messages::kPriceTableTooLarge);
      sink(std::string_view(block.data(), static_cast<size_t>(got)));
    }
  }
  if (!found) throw EUnpackError(messages::kNoPriceTable);
  return modified;
}

}  // namespace

TPriceEntry ReadPriceEntry(std::string_view bytes, uint64_t max_size) {
  ArchiveReader reader = NewReader();
  if (archive_read_open_memory(reader.get(), bytes.data(), bytes.size()) != ARCHIVE_OK) {
    Damaged(reader.get());
  }
  TPriceEntry table;
  table.modified = ScanPriceEntry(reader.get(), max_size,
                                  [&](std::string_view block) { table.content.append(block); });
  return table;
}

std::optional<fs::path> FindUnpackScript(const fs::path& working_dir) {
  const fs::path script = EntryIgnoringCase(working_dir, "unpuk.sh");
  std::error_code ignored;
  if (fs::is_regular_file(script, ignored)) return script;
  return std::nullopt;
}

bool HasWindowsUnpackScript(const fs::path& working_dir) {
  std::error_code ignored;
  return fs::is_regular_file(EntryIgnoringCase(working_dir, "unpuk.bat"), ignored);
}

void StartUnpackScript(const fs::path& script, const fs::path& working_dir) {
  // Everything the child needs is made before fork: after it, only calls
  // that are safe in a copy of a threaded process may run.
  const std::string directory = working_dir.string();
  const std::string file = script.string();
  const pid_t child = ::fork();
  if (child < 0) return;
  if (child == 0) {
    // The script runs in a grandchild, so it is adopted by init and never
    // left as a zombie of the program, which does not wait for it.
    if (::fork() == 0) {
      ::setsid();
      if (::chdir(directory.c_str()) == 0) {
        ::execl("/bin/sh", "sh", file.c_str(), static_cast<char*>(nullptr));
      }
    }
    ::_exit(0);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
}

std::optional<std::string> UnpackPriceList(const fs::path& archive, const fs::path& working_dir,
                                           const TPriceTableCheck& prove_table) {
  const fs::path target = EntryIgnoringCase(working_dir, kDefaultPriceListName);
  try {
    ArchiveReader reader = NewReader();
    // Read from the file block by block: neither the archive nor the table
    // is ever held whole.
    constexpr size_t kReadBlock = 1 << 16;
    if (archive_read_open_filename(reader.get(), archive.c_str(), kReadBlock) != ARCHIVE_OK) {
      Damaged(reader.get());
    }
    TemporaryTable table(working_dir);
    const std::optional<timespec> modified = ScanPriceEntry(
        reader.get(), kMaxPriceTableSize, [&](std::string_view block) { table.Write(block); });
    table.Finish(modified);
    try {
      prove_table(table.Path());
    } catch (const std::exception& error) {
      return FormatMessage(messages::kDamagedPriceTable, {error.what()});
    }
    table.RenameTo(target);
    // The old list is gone once the new name is on the disk, not before.
    SyncDirectory(working_dir);
    return std::nullopt;
  } catch (const EUnpackError& error) {
    return std::string(error.what());
  } catch (const std::system_error& error) {
    return FormatMessage(messages::kCannotWritePrice, {target.filename().string(), error.what()});
  }
}

}  // namespace zakaz::exchange
