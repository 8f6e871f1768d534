#include "exchange/price_unpacker.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

#include "common/ascii_text.h"
#include "common/file_path.h"
#include "common/format_message.h"
#include "common/unique_fd.h"
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

std::string ReadWholeFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (!in) throw EUnpackError(FormatMessage(messages::kDamagedArchive, {std::strerror(errno)}));
  return bytes.str();
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
  void Write(const TPriceEntry& entry) {
    WriteAll(fd_.Get(), entry.content);
    // The table is read by other programs as it stands; group and others may
    // read it as they could read the old one.
    ::fchmod(fd_.Get(), 0644);
    if (entry.modified) {
      const timespec times[2] = {*entry.modified, *entry.modified};
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

}  // namespace

TPriceEntry ReadPriceEntry(std::string_view bytes, uint64_t max_size) {
  ArchiveReader reader(archive_read_new());
  if (!reader) throw EUnpackError(FormatMessage(messages::kDamagedArchive, {"no memory"}));
  archive_read_support_filter_all(reader.get());
  archive_read_support_format_all(reader.get());
  if (archive_read_open_memory(reader.get(), bytes.data(), bytes.size()) != ARCHIVE_OK) {
    Damaged(reader.get());
  }
  std::optional<TPriceEntry> found;
  for (;;) {
    archive_entry* entry = nullptr;
    const int status = archive_read_next_header(reader.get(), &entry);
    if (status == ARCHIVE_EOF) break;
    if (status < ARCHIVE_WARN) Damaged(reader.get());
    const char* path = archive_entry_pathname(entry);
    if (path == nullptr || archive_entry_filetype(entry) != AE_IFREG ||
        !EqualIgnoringAsciiCase(LastComponent(path), kPriceTableName)) {
      continue;
    }
    if (found) throw EUnpackError(messages::kSeveralPriceTables);
    TPriceEntry table;
    if (archive_entry_mtime_is_set(entry)) {
      table.modified = timespec{archive_entry_mtime(entry), archive_entry_mtime_nsec(entry)};
    }
    char block[65536];
    for (;;) {
      const la_ssize_t got = archive_read_data(reader.get(), block, sizeof block);
      if (got < 0) Damaged(reader.get());
      if (got == 0) break;
      if (table.content.size() + static_cast<uint64_t>(got) > max_size) {
        throw EUnpackError(messages::kPriceTableTooLarge);
      }
      table.content.append(block, static_cast<size_t>(got));
    }
    found = std::move(table);
  }
  if (!found) throw EUnpackError(messages::kNoPriceTable);
  return std::move(*found);
}

std::optional<fs::path> FindUnpackScript(const fs::path& working_dir) {
  for (const char* name : {"unpuk.bat", "unpuk.sh"}) {
    const fs::path script = EntryIgnoringCase(working_dir, name);
    std::error_code ignored;
    if (fs::is_regular_file(script, ignored)) return script;
  }
  return std::nullopt;
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
    const TPriceEntry entry = ReadPriceEntry(ReadWholeFile(archive), kMaxPriceTableSize);
    TemporaryTable table(working_dir);
    try {
      table.Write(entry);
    } catch (const std::exception& error) {
      return FormatMessage(messages::kCannotWritePrice, {target.filename().string(), error.what()});
    }
    try {
      prove_table(table.Path());
    } catch (const std::exception& error) {
      return FormatMessage(messages::kDamagedPriceTable, {error.what()});
    }
    table.RenameTo(target);
    return std::nullopt;
  } catch (const EUnpackError& error) {
    return std::string(error.what());
  } catch (const std::system_error& error) {
    return FormatMessage(messages::kCannotWritePrice, {target.filename().string(), error.what()});
  }
}

}  // namespace zakaz::exchange
